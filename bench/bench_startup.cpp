// Start-up time and peak memory of psa-graph against a minimal Qt program with the same widgets: each is
// started many times on the offscreen platform and ends right after its first frame; the wall time from
// starting the process to its exit and the process's peak resident memory are measured.
//
//   bench_startup [rounds] [psa-graph path] [minimal_window path]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char **environ;

namespace {

// The environment of the started programs: ours plus the offscreen platform and the early exit.
std::vector<std::string> childEnvironment(const std::string &runtimeDir)
{
    std::vector<std::string> variables;
    for (char **variable = environ; *variable; ++variable) {
        const std::string text = *variable;
        if (text.rfind("QT_QPA_PLATFORM=", 0) != 0 && text.rfind("XDG_RUNTIME_DIR=", 0) != 0)
            variables.push_back(text);
    }
    variables.push_back("QT_QPA_PLATFORM=offscreen");
    variables.push_back("PSA_EXIT_AFTER_FIRST_FRAME=1");
    variables.push_back("XDG_RUNTIME_DIR=" + runtimeDir);
    return variables;
}

struct Run {
    double milliseconds = -1; // negative when the program failed
    double peakKilobytes = 0;
};

// Time from starting `program` to its exit, and its peak resident memory.
Run runOnce(const std::string &program, const std::vector<std::string> &environment)
{
    std::vector<char *> envp;
    for (const std::string &variable : environment)
        envp.push_back(const_cast<char *>(variable.c_str()));
    envp.push_back(nullptr);
    char *argv[] = { const_cast<char *>(program.c_str()), nullptr };

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return {};
    int status = 0;
    rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    return { elapsed.count(), static_cast<double>(usage.ru_maxrss) };
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    const std::string psaGraph = argc > 2 ? argv[2] : PSA_GRAPH_PATH;
    const std::string minimal = argc > 3 ? argv[3] : MINIMAL_WINDOW_PATH;

    char runtimeTemplate[] = "/tmp/bench-startup-XXXXXX";
    const char *runtimeDir = mkdtemp(runtimeTemplate);
    if (!runtimeDir) {
        std::fprintf(stderr, "cannot create a runtime folder\n");
        return 1;
    }
    const auto environment = childEnvironment(runtimeDir);

    // Two rounds each to fill the file caches, then the two programs take turns so that any drift of the
    // machine's load affects both alike.
    std::vector<double> psaTimes, minimalTimes, psaPeaks, minimalPeaks;
    for (int round = -2; round < rounds; ++round) {
        const Run psa = runOnce(psaGraph, environment);
        const Run plain = runOnce(minimal, environment);
        if (psa.milliseconds < 0 || plain.milliseconds < 0) {
            std::fprintf(stderr, "a program failed to start or to exit with 0\n");
            rmdir(runtimeDir);
            return 1;
        }
        if (round >= 0) {
            psaTimes.push_back(psa.milliseconds);
            minimalTimes.push_back(plain.milliseconds);
            psaPeaks.push_back(psa.peakKilobytes);
            minimalPeaks.push_back(plain.peakKilobytes);
        }
    }
    rmdir(runtimeDir);

    const double psa = median(psaTimes);
    const double plain = median(minimalTimes);
    std::printf("BENCH startup_psa_graph %.1f ms\n", psa);
    std::printf("BENCH startup_minimal %.1f ms\n", plain);
    std::printf("BENCH startup_ratio %.2f x\n", psa / plain);
    const double psaPeak = median(psaPeaks);
    const double plainPeak = median(minimalPeaks);
    std::printf("BENCH peak_rss_psa_graph %.0f KB\n", psaPeak);
    std::printf("BENCH peak_rss_minimal %.0f KB\n", plainPeak);
    std::printf("BENCH peak_rss_ratio %.2f x\n", psaPeak / plainPeak);
    return 0;
}
