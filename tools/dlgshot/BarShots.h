// Pictures of the main frame's status bar, the debug window, the tool bars, the palettes and the
// text style bar; the status bar and the debug window bound to a score (a file,
// or a new score when none is given).
#pragma once
#include <string>

// 0 when the picture was written; else the exit status, with the reason on stderr.
int ShotStatusBar(const std::string& out, const std::string& score);
int ShotDebugWindow(const std::string& out, const std::string& score);
// The standard tool bar ("stdtoolbar"), the main tool bar ("maintoolbar"), the text style bar
// ("stylebar") or a palette ("palette:NAME"); 2 for a name that is none of them.
int ShotToolWindow(const std::string& name, const std::string& out);
