// The installed help: an HTML file shown in the user's browser, at a topic's anchor or from its
// start. While a test capture exists the pages asked for are only kept.
#pragma once
#include <string>
#include <vector>

namespace fw {

// Shows the HTML file (a path in the system's encoding) in the browser, at "#<anchor>" when the
// anchor is not empty; false when the file does not exist (nothing is shown).
bool ShowHelpFile(const std::string& path, const std::string& anchor);

namespace helptest {
// While one exists, ShowHelpFile keeps the address it would show instead of showing it.
class Capture {
public:
    Capture();
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
    const std::vector<std::string>& shown() const;
};
}  // namespace helptest

}  // namespace fw
