#pragma once

#include <cstdint>

// The six parameterless messages the worker posts to the main window; the
// data travels in the driver's fields.
inline constexpr uint32_t WM_SETUP_COMPLETE = 11026;
inline constexpr uint32_t WM_SETUP_STATUS = 11027;
inline constexpr uint32_t WM_SETUP_PHASE = 11028;
inline constexpr uint32_t WM_SETUP_COUNT = 11029;
inline constexpr uint32_t WM_SETUP_PERCENT = 11030;
inline constexpr uint32_t WM_SETUP_ERROR = 11031;
