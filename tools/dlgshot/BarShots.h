// Pictures of the main frame's status bar and of the debug window, bound to a score (a file,
// or a new score when none is given).
#pragma once
#include <string>

// 0 when the picture was written; else the exit status, with the reason on stderr.
int ShotStatusBar(const std::string& out, const std::string& score);
int ShotDebugWindow(const std::string& out, const std::string& score);
