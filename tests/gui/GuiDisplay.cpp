#include "tests/gui/GuiDisplay.h"

#include "tests/support/XvfbSession.h"

bool EnsureDisplay(std::string* pWhy) {
  if (SharedXvfb().Ok()) return true;
  if (pWhy) *pWhy = SharedXvfb().Error();
  return false;
}
