// zelscript --check DIR: every NAME.zs of a folder run in its own process and compared with its
// expected output NAME.out.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ScriptRun.h"

namespace zelscript {

namespace {

std::string ReadAll(int fd) {
    std::string s;
    char buf[4096];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        s.append(buf, std::size_t(n));
    }
    return s;
}

// Runs `self folder/name.zs` in a fresh temporary working folder with fresh settings homes
// (the user's home and the machine's settings folders included); stdout, stderr, exit line,
// with the temporary folder's path written "$TEMP" so outputs compare on every machine.
std::string RunCase(const std::string& self, const std::string& folder, const std::string& name) {
    char home[] = "/tmp/zelscript-XXXXXX";
    if (!mkdtemp(home)) return "cannot make a temporary folder\n";
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return "cannot make a pipe\n";
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(errPipe[0]);
        const std::string h = home;
        const std::string work = h + "/work";
        if (mkdir(work.c_str(), 0700) != 0 || chdir(work.c_str()) != 0) _exit(126);
        setenv("XDG_CONFIG_HOME", (h + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (h + "/data").c_str(), 1);
        setenv("XDG_STATE_HOME", (h + "/state").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (h + "/machine").c_str(), 1);
        setenv("HOME", (h + "/home").c_str(), 1);
        const std::string runtime = h + "/runtime";
        if (mkdir(runtime.c_str(), 0700) == 0) setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        setenv("ZEL_TEMP_HOME", h.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(self.c_str(), self.c_str(), (folder + "/" + name + ".zs").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    // Standard error is small; read standard output first, then it.
    std::string out = ReadAll(outPipe[0]);
    const std::string err = ReadAll(errPipe[0]);
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    std::system((std::string("rm -rf '") + home + "'").c_str());
    out += err;
    for (std::size_t at = out.find(home); at != std::string::npos; at = out.find(home, at))
        out.replace(at, std::strlen(home), "$TEMP");
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (code != 0) out += "exit " + std::to_string(code) + "\n";
    return out;
}

std::string FileText(const std::string& path, bool* found) {
    std::ifstream in(path, std::ios::binary);
    *found = bool(in);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The first line where two texts differ, for the failure message.
std::string FirstDifference(const std::string& want, const std::string& got) {
    std::istringstream a(want), b(got);
    std::string la, lb;
    for (int n = 1;; ++n) {
        const bool ea = !std::getline(a, la), eb = !std::getline(b, lb);
        if (ea && eb) return "";
        if (ea || eb || la != lb)
            return "line " + std::to_string(n) + ": expected \"" + (ea ? std::string("<end>") : la) + "\", got \"" +
                   (eb ? std::string("<end>") : lb) + "\"";
    }
}

}  // namespace

int RunCheck(const char* self, const std::string& given) {
    char real[PATH_MAX];
    const std::string folder = realpath(given.c_str(), real) ? std::string(real) : given;
    char selfPath[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", selfPath, sizeof selfPath - 1);
    const std::string exe = n > 0 ? std::string(selfPath, std::size_t(n)) : std::string(self);
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string f = e->d_name;
            if (f.size() > 3 && f.compare(f.size() - 3, 3, ".zs") == 0) names.push_back(f.substr(0, f.size() - 3));
        }
        closedir(d);
    } else {
        std::fprintf(stderr, "zelscript: cannot read folder %s\n", folder.c_str());
        return 2;
    }
    std::sort(names.begin(), names.end());
    const char* update = std::getenv("ZEL_UPDATE_REFERENCES");
    const bool updating = update && std::string(update) == "1";
    int passed = 0, failed = 0;
    for (const auto& name : names) {
        const std::string got = RunCase(exe, folder, name);
        const std::string outPath = folder + "/" + name + ".out";
        if (updating) {
            std::ofstream(outPath, std::ios::binary) << got;
            std::printf("wrote %s\n", outPath.c_str());
            ++passed;
            continue;
        }
        bool found = false;
        const std::string want = FileText(outPath, &found);
        if (!found) {
            std::printf("FAIL %s: no expected output %s\n", name.c_str(), outPath.c_str());
            ++failed;
        } else if (want != got) {
            std::printf("FAIL %s: %s\n", name.c_str(), FirstDifference(want, got).c_str());
            ++failed;
        } else {
            std::printf("ok   %s\n", name.c_str());
            ++passed;
        }
    }
    if (names.empty()) {
        std::printf("no script cases in %s\n", folder.c_str());
        return 1;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}

}  // namespace zelscript
