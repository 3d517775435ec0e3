#include "framework/Paths.h"

#include <unistd.h>

#include <cstdlib>

#ifndef ZEL_DEFAULT_DATA_DIR
#define ZEL_DEFAULT_DATA_DIR "/usr/share/zelmarin"
#endif

namespace fw {
namespace {

std::string homeDir() {
    const char* h = std::getenv("HOME");
    return (h && *h) ? std::string(h) : std::string("/tmp");
}

std::string xdg(const char* var, const char* fallback) {
    const char* v = std::getenv(var);
    if (v && *v == '/') return v;
    return homeDir() + fallback;
}

}  // namespace

std::string ConfigHome() { return xdg("XDG_CONFIG_HOME", "/.config"); }
std::string StateHome() { return xdg("XDG_STATE_HOME", "/.local/state"); }
std::string DataHome() { return xdg("XDG_DATA_HOME", "/.local/share"); }
std::vector<std::string> ConfigDirs() {
    std::vector<std::string> dirs;
    const char* v = std::getenv("XDG_CONFIG_DIRS");
    std::string all = v ? v : "";
    std::size_t pos = 0;
    while (pos <= all.size()) {
        std::size_t colon = all.find(':', pos);
        if (colon == std::string::npos) colon = all.size();
        std::string dir = all.substr(pos, colon - pos);
        while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        if (!dir.empty() && dir[0] == '/') dirs.push_back(dir);
        pos = colon + 1;
    }
    if (dirs.empty()) dirs.push_back("/etc/xdg");
    return dirs;
}

std::string UserDataFolder() { return DataHome() + "/Harrowick/Zelmarin"; }

std::string InstalledDataFolder() {
    const char* v = std::getenv("ZEL_DATA_DIR");
    if (v && *v) return v;
    return ZEL_DEFAULT_DATA_DIR;
}

std::string ExecutablePath() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, std::size_t(n));
}

std::string ExecutableFolder() {
    std::string p = ExecutablePath();
    std::size_t slash = p.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : p.substr(0, slash);
}

}  // namespace fw
