#include "platform/StdMenuStandIns.h"

void ApplyMenuFilter(CMenu*) {}
