#pragma once

#include <functional>
#include <vector>

#include <cairo.h>

#include "resources/artwork/Canvas.h"
#include "resources/artwork/ProgressPictures.h"

// Every picture resource of the program: its id (resources/resource.h), its
// size, what it shows, and how to paint it. One table, so ids and sizes live
// in one place.

struct PictureSpec {
  int id;
  int width;
  int height;
  const char* what;  // one line, for the contact sheet and the docs
  std::function<void(cairo_t*, int width, int height, const Contacts&)> paint;
};

const std::vector<PictureSpec>& Pictures();

// The spec of one id; nullptr when the table has none.
const PictureSpec* FindPicture(int id);

// Paints one picture into a fresh opaque canvas of its size.
Canvas PaintPicture(const PictureSpec& spec, const Contacts& contacts);

// The program icon's images, largest detail last: 16, 32, 48 and 256
// pixels, with alpha.
std::vector<Canvas> PaintIconImages();
