// The desktop's handlers: a document or a web address opened as the user's desktop opens it
// (the shell's "open" verb of the original). While a test capture exists the requests are only
// kept.
#pragma once
#include <string>
#include <vector>

#include "framework/Types.h"

class CWnd;

// Above 32 when the request went to the desktop; the original's error numbers otherwise:
// SE_ERR_FNF for a file that does not exist, SE_ERR_NOASSOC for a verb other than "open" (or
// none) or an empty target.
enum : int { SE_ERR_FNF = 2, SE_ERR_NOASSOC = 31 };

// Opens `file` (code page): a web address ("http:", "https:", "mailto:" ...) in the user's
// browser, a file or folder with the desktop's application for it. Parameters, folder and show
// state are taken for the callers' form; the desktop chooses.
int ShellExecute(CWnd* owner, const char* verb, const char* file, const char* parameters = nullptr,
                 const char* folder = nullptr, int show = 1);

namespace fw::shelltest {
// While one exists, ShellExecute keeps the address it would open (UTF-8) instead of opening it.
class Capture {
public:
    Capture();
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
    const std::vector<std::string>& opened() const;
};
}  // namespace fw::shelltest
