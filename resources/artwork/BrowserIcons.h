#pragma once

#include <cairo.h>

// Emblems for the browsers the prompt asks the user to close. They only
// have to tell the browsers apart at a glance: each is made of simple shapes
// and letters in colours that recall the browser, and none is a copy of a
// real logo.

enum class BrowserEmblem {
  kCompass,     // Safari
  kTriColour,   // Chrome
  kFoxGlobe,    // Firefox
  kOrbitE,      // Internet Explorer
  kRingO,       // Opera
  kThreeSixty,  // 360 browser
  kCometQ,      // QQ browser
};

// The emblem centred in the canvas, on white, with a soft ground shadow.
void PaintBrowserIcon(cairo_t* cr, int width, int height, BrowserEmblem emblem);
