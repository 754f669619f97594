#pragma once

#include <cstdint>
#include <span>

// The pixels behind a Bitmap, made and freed by the window backend of the
// system (a cairo image surface, a DIB section); the Bitmap owning them is
// the same on both systems.
namespace platform::gui {

struct NativeBitmap;

// cx x cy black pixels; nullptr for a side below 1 or above kMaxBitmapSide,
// or when the system has no memory for them.
NativeBitmap* MakeNativeBitmap(int cx, int cy);
// The pixels of a DIB without file header; nullptr when it does not decode.
NativeBitmap* MakeNativeBitmapFromDib(std::span<const uint8_t> dib);
void FreeNativeBitmap(NativeBitmap* p);

}  // namespace platform::gui
