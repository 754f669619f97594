#pragma once

#include <string>
#include <vector>

#include "resources/artwork/Canvas.h"

// The file formats the resource compiler takes: a 24-bit BMP for a BITMAP
// statement and an .ico for an ICON statement.

// A bottom-up 24-bit BMP (file header, BITMAPINFOHEADER, BGR rows padded to
// four bytes) of the canvas.
std::string EncodeBmp24(const Canvas& canvas);

// An .ico holding one 32-bit image per canvas (BITMAPINFOHEADER of twice the
// height, straight-alpha BGRA rows bottom-up, then the AND mask), in the
// order given. Every image uses the same DIB layout, 256 x 256 included, so
// a reader needs only one decoder. Canvases must be square, 1 to 256 pixels,
// and carry alpha.
std::string EncodeIco(const std::vector<const Canvas*>& images);

// Writes the bytes unless the file already holds exactly them, so that an
// unchanged picture does not make the resource script compile again.
// Returns false when the file cannot be written.
bool WriteIfChanged(const std::string& path, const std::string& bytes);
