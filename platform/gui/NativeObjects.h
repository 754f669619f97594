#pragma once

#include <cstdint>
#include <span>

// What the window backend of the system makes and frees behind the GDI
// objects (a cairo surface or a DIB section, pango or GDI fonts, icon
// images); the objects owning them (Bitmap, Font, Icon) are the same on
// both systems.
namespace platform::gui {

struct NativeBitmap;
struct NativeFont;
struct NativeIcon;

// cx x cy black pixels; nullptr for a side below 1 or above kMaxBitmapSide,
// or when the system has no memory for them.
NativeBitmap* MakeNativeBitmap(int cx, int cy);
// The pixels of a DIB without file header; nullptr when it does not decode.
NativeBitmap* MakeNativeBitmapFromDib(std::span<const uint8_t> dib);

// Each takes null as nothing.
void FreeNativeBitmap(NativeBitmap* p);
void FreeNativeFont(NativeFont* p);
void FreeNativeIcon(NativeIcon* p);

}  // namespace platform::gui
