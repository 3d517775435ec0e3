#include "support/TempHome.h"

#include <cstdlib>
#include <filesystem>

namespace testsupport {
namespace {

const char* const kVars[5] = {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "HOME", "XDG_CONFIG_DIRS"};

std::string makeTemp() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "zeltest-XXXXXX").string();
    char* p = ::mkdtemp(tmpl.data());
    return p ? std::string(p) : std::string();
}

}  // namespace

TempHome::TempHome() : root_(makeTemp()) {
    const std::string values[5] = {config(), state(), data(), root_ + "/home", machine()};
    for (int i = 0; i < 5; ++i) {
        const char* v = std::getenv(kVars[i]);
        had_[i] = v != nullptr;
        if (v) saved_[i] = v;
        std::filesystem::create_directories(values[i]);
        ::setenv(kVars[i], values[i].c_str(), 1);
    }
}

TempHome::~TempHome() {
    for (int i = 0; i < 5; ++i) {
        if (had_[i])
            ::setenv(kVars[i], saved_[i].c_str(), 1);
        else
            ::unsetenv(kVars[i]);
    }
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

TempDir::TempDir() : path_(makeTemp()) {}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace testsupport
