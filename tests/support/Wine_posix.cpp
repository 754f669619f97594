#include "tests/support/Wine.h"

bool RunningUnderWine() { return false; }
