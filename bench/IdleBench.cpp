// The program at rest: build/zelmarin started as a user starts it (a fresh home, offscreen unless
// QT_QPA_PLATFORM says otherwise) on a score, nothing playing; once it has settled, the
// process's CPU time is sampled over a span and printed in % of one core, with its busiest
// threads. Goal: under 1 % over 10 s. With a sound server running, the built-in synthesizer's
// audio stream (when open) shows as the sound server client's threads.
//
//   build/bench_idle [--seconds N] [--settle N] [SCORE]    (default 10 s after 5 s, a small score)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

// utime + stime of a /proc stat file, in clock ticks (the name in parentheses may hold blanks).
long long CpuTicks(const std::string& statPath) {
    std::ifstream f(statPath);
    std::string line;
    if (!std::getline(f, line)) return -1;
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    // Fields from the third on: state is the first here, utime the 12th and stime the 13th.
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::atoll(field.c_str());
        if (i == 15) stime = std::atoll(field.c_str());
    }
    return utime + stime;
}

std::string ThreadName(const fs::path& task) {
    std::ifstream f(task / "comm");
    std::string name;
    std::getline(f, name);
    return name;
}

// Ticks of each thread of a process, by thread id.
std::map<std::string, std::pair<std::string, long long>> Threads(pid_t pid) {
    std::map<std::string, std::pair<std::string, long long>> out;
    std::error_code error;
    for (const fs::directory_entry& e : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error))
        out[e.path().filename().string()] = {ThreadName(e.path()), CpuTicks((e.path() / "stat").string())};
    return out;
}

std::string LoadAverage() {
    std::ifstream f("/proc/loadavg");
    std::string a, b, c;
    f >> a >> b >> c;
    return a + " " + b + " " + c;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 10, settle = 5;
    std::string score;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) seconds = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--settle") == 0 && i + 1 < argc) settle = std::max(0, std::atoi(argv[++i]));
        else if (argv[i][0] != '-') score = argv[i];
        else {
            std::fprintf(stderr, "usage: bench_idle [--seconds N] [--settle N] [SCORE]\n");
            return 2;
        }
    }
    const fs::path self = fs::read_symlink("/proc/self/exe");
    const fs::path program = self.parent_path() / "zelmarin";
    if (score.empty()) score = (fs::path(ZEL_SOURCE_DIR) / "tests/data/midi/export/plain.zel").string();
    if (!fs::exists(program)) {
        std::fprintf(stderr, "bench_idle: no %s\n", program.c_str());
        return 1;
    }
    char pattern[] = "/tmp/zel-bench-idle-XXXXXX";
    const char* home = ::mkdtemp(pattern);
    if (!home) return 1;
    const std::string h = home;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("HOME", h.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (h + "/config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (h + "/data").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (h + "/state").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        ::execl(program.c_str(), program.c_str(), "-nologo", score.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    if (pid < 0) return 1;
    std::this_thread::sleep_for(std::chrono::seconds(settle));
    const std::string stat = "/proc/" + std::to_string(pid) + "/stat";
    const long long before = CpuTicks(stat);
    const auto threadsBefore = Threads(pid);
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long long after = CpuTicks(stat);
    const auto threadsAfter = Threads(pid);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::error_code error;
    fs::remove_all(h, error);
    if (before < 0 || after < 0) {
        std::fprintf(stderr, "bench_idle: the program ended before the sample\n");
        return 1;
    }
    const double hz = double(::sysconf(_SC_CLK_TCK));
    std::printf("at rest over %d s after %d s, %s (load %s)\n", seconds, settle, score.c_str(), LoadAverage().c_str());
    std::printf("process CPU %.2f %% of one core\n", 100.0 * double(after - before) / hz / wall);
    std::vector<std::pair<long long, std::string>> busy;
    for (const auto& [tid, entry] : threadsAfter) {
        const auto was = threadsBefore.find(tid);
        const long long used = entry.second - (was == threadsBefore.end() ? 0 : was->second.second);
        if (used > 0) busy.push_back({used, entry.first + " (" + tid + ")"});
    }
    std::sort(busy.rbegin(), busy.rend());
    for (std::size_t i = 0; i < busy.size() && i < 5; ++i)
        std::printf("  thread %s %.2f %%\n", busy[i].second.c_str(), 100.0 * double(busy[i].first) / hz / wall);
    return 0;
}
