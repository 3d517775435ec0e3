// Runs one of the build's tools (zelscript, zelrender, zeldump, ...) as a user would, in a shell,
// and gives its exit status and everything it printed.
#pragma once
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace testsupport {

// The tool from the build folder ZEL_BUILD_DIR names, with its arguments; in: the folder to run
// it in (none: the test's own); env: "NAME=value ..." set for it alone. Its output and errors are
// appended to out. -1 when there is no build folder or the tool did not exit by itself.
inline int RunTool(const std::string& tool, const std::string& args, std::string* out, const std::string& in = "",
                   const std::string& env = "") {
    const char* build = std::getenv("ZEL_BUILD_DIR");
    if (!build) return -1;
    const std::string cd = in.empty() ? "" : "cd '" + in + "' && ";
    const std::string command = cd + (env.empty() ? "" : "env " + env + " ") + std::string(build) + "/" + tool + " " + args;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, p)) *out += buffer;
    const int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testsupport
