#include "platform/DebugLog.h"

#include <cstdio>
#include <string>

#include "framework/CodePage.h"
#include "framework/File.h"
#include "framework/Paths.h"
#include "platform/PlatformGlobals.h"

namespace {

void buildLogPath() {
    if (!g_platform.logPath.empty()) return;
    std::string folder = fw::StateHome() + "/Harrowick";
    fw::MakeFolders(folder);
    g_platform.logPath = folder + "/Zelmarin.log";
}

}  // namespace

void StartLog(const char* name) {
    if (!g_platform.debugLog) return;
    buildLogPath();
    if (std::FILE* f = std::fopen(g_platform.logPath.c_str(), "wb")) std::fclose(f);
    if (name) {
        LogText("Opening ", false);
        LogText(name, true);
    }
}

void LogText(const char* text, bool newline) {
    if (!g_platform.debugLog || g_platform.logPath.empty()) return;
    // The log is appended to only while it exists: start-up makes it.
    std::FILE* f = std::fopen(g_platform.logPath.c_str(), "r+b");
    if (!f) return;
    std::string line = fw::ToUtf8(text ? text : "");
    if (newline) line += '\n';
    if (std::fseek(f, 0, SEEK_END) == 0) std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
}

void LogTextInt(const char* text, int n, bool newline) {
    std::string t = text ? text : "";
    t += std::to_string(n);
    LogText(t.c_str(), newline);
}
