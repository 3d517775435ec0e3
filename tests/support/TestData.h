// Where the tests' committed data lives (tests/data in the source tree), as an absolute path,
// whatever folder the test runs in and however the compiler spelled the source file's path.
#pragma once
#include <string>

namespace testsupport {

// tests/data/<relative>, absolute.
inline std::string TestDataPath(const std::string& relative) {
    return std::string(ZEL_TEST_SOURCE_DIR) + "/data/" + relative;
}

}  // namespace testsupport
