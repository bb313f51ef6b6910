#pragma once

// Whole-process timing shared by the start-up and export benchmarks: a program is started, waited for, and
// its wall time from start to exit and its peak resident memory are taken.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

extern char **environ;

namespace bench {

// Our environment with the offscreen platform, the given private runtime folder and `extra` variables.
inline std::vector<std::string> childEnvironment(
    const std::string &runtimeDir, const std::vector<std::string> &extra)
{
    std::vector<std::string> variables;
    for (char **variable = environ; *variable; ++variable) {
        const std::string text = *variable;
        if (text.rfind("QT_QPA_PLATFORM=", 0) != 0 && text.rfind("XDG_RUNTIME_DIR=", 0) != 0)
            variables.push_back(text);
    }
    variables.push_back("QT_QPA_PLATFORM=offscreen");
    variables.push_back("XDG_RUNTIME_DIR=" + runtimeDir);
    variables.insert(variables.end(), extra.begin(), extra.end());
    return variables;
}

struct Run {
    double milliseconds = -1; // negative when the program failed
    double peakKilobytes = 0;
    double cpuMilliseconds = 0; // user and system time together
};

// Runs `arguments` (the program first) with its output discarded; a failure to start or an exit status other
// than 0 gives a negative time.
inline Run runOnce(const std::vector<std::string> &arguments, const std::vector<std::string> &environment)
{
    std::vector<char *> envp;
    for (const std::string &variable : environment)
        envp.push_back(const_cast<char *>(variable.c_str()));
    envp.push_back(nullptr);
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return {};
    int status = 0;
    rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    const double cpu = 1e3 * double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + 1e-3 * double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    return { elapsed.count(), static_cast<double>(usage.ru_maxrss), cpu };
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// 35 records, about two months apart over six years, as the record file writes them.
inline std::string recordFile35()
{
    std::string text;
    for (int i = 0; i < 35; ++i) {
        char line[64];
        const double value = 4.2 * (1.0 + 0.08 * i) * (i > 25 ? 0.002 : 1);
        std::snprintf(line, sizeof line, " %d, %d, %g\r\n", 2004 + i * 2 / 12, i * 2 % 12 + 1, value);
        text += line;
    }
    return text;
}

} // namespace bench
