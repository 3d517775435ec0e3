// Recorded calls (drawing calls as the device context or an artist writes them) read back.
#pragma once
#include <initializer_list>
#include <string>
#include <vector>

namespace testsupport {

// The calls whose text starts with one of the prefixes, in their order (a call that starts
// with two of them comes twice).
inline std::vector<std::string> Only(const std::vector<std::string>& log, std::initializer_list<const char*> prefixes) {
    std::vector<std::string> out;
    for (const auto& line : log)
        for (const char* p : prefixes)
            if (line.rfind(p, 0) == 0) out.push_back(line);
    return out;
}

}  // namespace testsupport
