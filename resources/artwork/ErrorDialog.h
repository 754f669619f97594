#pragma once

#include <cairo.h>

#include "resources/artwork/ProgressPictures.h"

// The error-details dialog: a pink title band over a white body, the
// separators, the advice, the support contacts and the help question.

void PaintErrorTitle(cairo_t* cr, int width, int height);
void PaintErrorBody(cairo_t* cr, int width, int height);
void PaintSeparator(cairo_t* cr, int width, int height);
void PaintAdvice(cairo_t* cr, int width, int height);
// Throws ArtworkError when the telephone number and address do not fit.
void PaintErrorContacts(cairo_t* cr, int width, int height, const Contacts& contacts);
void PaintHelpQuestion(cairo_t* cr, int width, int height);
