#pragma once

#include <cairo.h>

#include <string>

// The progress area of the main window: the PC and the Internet at either
// end of the bars, the bar pieces, the failure mark and the banner that
// takes the area's place when the run has completed.

struct Contacts {
  std::string phone;
  std::string email;
};

void PaintMonitor(cairo_t* cr, int width, int height);
void PaintGlobe(cairo_t* cr, int width, int height);

// The empty track. The program fills at most all but its last column, so
// that column is the track's right frame and closes a full bar.
void PaintTrack(cairo_t* cr, int width, int height);

// One column of a bar's fill, stretched by the program: pink for progress,
// red for failure. Its top and bottom rows are the bar's frame.
void PaintFill(cairo_t* cr, int width, int height, bool failed);

// A red disc with a white cross, on white.
void PaintErrorMark(cairo_t* cr, int width, int height);

// The completed run's banner: ask the support centre, with its telephone
// number and e-mail address. Throws ArtworkError when they do not fit.
void PaintContactBanner(cairo_t* cr, int width, int height, const Contacts& contacts);

// Pictograms shared with the error dialog, drawn in the current source
// colour: a handset in a box of `size` pixels, an envelope `w` x `h`, and a
// headset in a box of `size`.
void Handset(cairo_t* cr, double x, double y, double size);
void Envelope(cairo_t* cr, double x, double y, double w, double h);
void Headset(cairo_t* cr, double x, double y, double size);
