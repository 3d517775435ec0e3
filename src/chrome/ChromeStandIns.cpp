#include "chrome/ChromeStandIns.h"

bool EditExpressionEntry(int) { return false; }
