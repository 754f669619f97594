#pragma once

// The caption painted on the title band of the three wizard windows: the
// program's window title.
inline constexpr const char* kWindowCaption = "Orin 전자결제 - 전자결제 마법사";
inline constexpr double kWindowCaptionPx = 15;
