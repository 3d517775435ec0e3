#include "app/AppStandIns.h"

bool EngineHost::Start(CWnd*) {
    ++StartAttempts();
    return false;
}

int& EngineHost::StartAttempts() {
    static int attempts = 0;
    return attempts;
}
