#pragma once

#include <string>

// A display for the suite's windows. Linux: the process's private X server
// (started here on first use). Windows: Wine's own, whose X server the
// CTest entry started; Windows itself always has one. False, with the
// reason, when there is none.
bool EnsureDisplay(std::string* pWhy);
