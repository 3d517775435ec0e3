// Private to the framework: whether a blocking window (message box, common dialog) may be
// shown now — only on the user-interface thread of a widget application on a real display.
// Headless runs (offscreen, minimal) answer from their scripts instead.
#pragma once

namespace fw {

bool CanShowBlockingUi();

}  // namespace fw
