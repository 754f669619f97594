#pragma once

#include <cairo.h>

#include <string_view>

#include "resources/artwork/Palette.h"

// The skinned buttons' pictures. Each button has a normal, a pressed and a
// hover picture of the same size; hover is lighter, pressed darker with its
// content moved one pixel down and right, so the three read as one button
// reacting to the mouse.

enum class ButtonState { kNormal, kPressed, kHover };

enum class ButtonStyle {
  kPrimary,    // pink, white caption: the step forward (확인, 다음, 저장)
  kSecondary,  // white, grey caption: stepping back (취소, 닫기)
  kOutline,    // white, pink frame and caption: a side road (조치 가이드)
};

// A rounded push button filling the canvas, its caption centred; the
// corners outside the rounding show `backdrop`, the colour the button is
// drawn on. Throws ArtworkError when the caption does not fit.
void PaintPushButton(cairo_t* cr, int width, int height, std::string_view caption, ButtonStyle style,
                     ButtonState state, Rgb backdrop);

// A link-like text button on white: the caption alone, underlined on hover.
void PaintTextButton(cairo_t* cr, int width, int height, std::string_view caption, ButtonState state);

// The small close button of a title band `bandWidth` x `bandHeight` whose
// picture lies at (x, y) of the band: the band's own pixels with a white
// cross, a light disc behind it on hover and a dark one when pressed.
void PaintBandClose(cairo_t* cr, int bandWidth, int bandHeight, int x, int y, int width, int height,
                    ButtonState state);
