#pragma once

#include <cairo.h>

#include <string_view>

// The five-step strip of the main window. Each step is a card with a
// pictogram and its caption: pink when the step is current, grey
// otherwise; the program blinks between the two.

enum class StepPictogram { kUser, kNetwork, kBrowser, kInstall, kDone };

// A step card filling the canvas, on white.
void PaintStep(cairo_t* cr, int width, int height, StepPictogram pictogram, std::string_view caption, bool active);

// The arrow between two steps, on white.
void PaintStepArrow(cairo_t* cr, int width, int height, bool active);
