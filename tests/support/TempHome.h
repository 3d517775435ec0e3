// Points the settings, state and data homes at a fresh temporary folder for one test.
#pragma once
#include <string>

namespace testsupport {

class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& root() const { return root_; }
    std::string config() const { return root_ + "/config"; }
    std::string state() const { return root_ + "/state"; }
    std::string data() const { return root_ + "/data"; }
    std::string home() const { return root_ + "/home"; }
    // The read-only machine settings store ($XDG_CONFIG_DIRS).
    std::string machine() const { return root_ + "/machine"; }

private:
    std::string root_;
    std::string saved_[5];
    bool had_[5] = {};
};

// A fresh empty temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace testsupport
