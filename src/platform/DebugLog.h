// The debug log: a plain text file that start-up empties and that then receives progress
// lines while the debug-log switch (g_platform.debugLog) is on. It lives in
// $XDG_STATE_HOME/Harrowick/Zelmarin.log (default ~/.local/state); texts are written in UTF-8.
// A line that cannot be written is dropped.
#pragma once

// When the switch is on: empties the log (building its path and folder on first use) and,
// with a name, logs "Opening " and the name with a line end.
void StartLog(const char* name = nullptr);
// When the switch is on and the log opens for writing: appends the text and, when asked, a
// line end.
void LogText(const char* text, bool newline);
// The text followed by the decimal text of n.
void LogTextInt(const char* text, int n, bool newline);
