// How close "merolan-cli measure --paced" comes to what the line allows, and how fast the tool
// starts. Both programs run as they ship, against the simulated meter over a pseudo-terminal.
// The line's limit is taken in the same run by a bare client: poll, wait for the three bytes
// of the answer, poll again, with nothing in between.
//   merolan_cli_bench [READINGS]
#include "core/meter_settings.hpp"
#include "core/settings_file.hpp"
#include "core/wire_protocol.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char **environ;

using Clock = std::chrono::steady_clock;

namespace {

struct Finished {
    std::string err;
    double wallS = 0;
    double cpuS = 0; // user and system time of the child
};

// Runs a program with stdout thrown away and stderr captured.
Finished run(std::vector<std::string> arguments)
{
    std::vector<char *> argv;
    for (std::string &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    int errPipe[2];
    if (pipe(errPipe) != 0)
        std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        std::exit(1);
    posix_spawn_file_actions_destroy(&actions);
    close(errPipe[1]);
    Finished finished;
    char buffer[4096];
    for (ssize_t n; (n = read(errPipe[0], buffer, sizeof buffer)) > 0;)
        finished.err.append(buffer, static_cast<std::size_t>(n));
    close(errPipe[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    finished.wallS = std::chrono::duration<double>(Clock::now() - start).count();
    finished.cpuS = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed:\n%s", arguments.front().c_str(), finished.err.c_str());
        std::exit(1);
    }
    return finished;
}

// The simulator's pid and the pseudo-terminal it serves.
std::pair<pid_t, std::string> startSimulator()
{
    int outPipe[2];
    if (pipe(outPipe) != 0)
        std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    char *argv[] = {const_cast<char *>(MEROLAN_METER_SIM), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ) != 0)
        std::exit(1);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    std::string line;
    char c = 0;
    while (read(outPipe[0], &c, 1) == 1 && c != '\n')
        line += c;
    constexpr std::string_view kPrefix = "DEVICE ";
    if (line.rfind(kPrefix, 0) != 0)
        std::exit(1);
    return {pid, line.substr(kPrefix.size())};
}

// Readings per second of a client that polls again the moment an answer is complete.
double lineLimit(const std::string &device, int readings)
{
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        std::exit(1);
    termios raw{};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);
    const merolan::FrameBytes poll = merolan::encodeCommandFrame(merolan::pollMode(merolan::commandModeFor(false)), 0);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < readings; ++i) {
        if (write(fd, poll.data(), poll.size()) != static_cast<ssize_t>(poll.size()))
            std::exit(1);
        unsigned char answer[3];
        for (std::size_t got = 0; got < sizeof answer;) {
            const ssize_t n = read(fd, answer + got, sizeof answer - got);
            if (n <= 0)
                std::exit(1);
            got += static_cast<std::size_t>(n);
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    close(fd);
    return readings / seconds;
}

double readingsPerSecond(const std::string &summary)
{
    const std::size_t end = summary.find(" readings/s");
    const std::size_t begin = summary.rfind(' ', end - 1);
    if (end == std::string::npos || begin == std::string::npos)
        std::exit(1);
    return std::strtod(summary.c_str() + begin + 1, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    const int readings = argc > 1 ? std::max(100, std::atoi(argv[1])) : 2000;
    const std::filesystem::path settings =
        std::filesystem::temp_directory_path() / ("merolan_cli_bench_" + std::to_string(getpid()) + ".dat");
    if (merolan::saveSettings(settings, merolan::factorySettings(), '.'))
        return 1;

    const auto [simulator, device] = startSimulator();
    const double limit = lineLimit(device, readings);
    const auto measure = [&, device = device](int count) {
        return run({MEROLAN_CLI, "measure", "--port", device, "--settings", settings.string(), "--paced", "--count",
                    std::to_string(count), "--format", "csv"});
    };
    const Finished one = measure(1);
    const Finished paced = measure(readings + 1);
    const double rate = readingsPerSecond(paced.err);
    const double cpuPerReadingUs = (paced.cpuS - one.cpuS) / readings * 1e6;
    kill(simulator, SIGTERM);
    waitpid(simulator, nullptr, 0);

    std::vector<double> startMs;
    for (int i = 0; i < 20; ++i)
        startMs.push_back(run({MEROLAN_CLI, "settings", "show", "--file", settings.string()}).wallS * 1e3);
    std::sort(startMs.begin(), startMs.end());
    std::filesystem::remove(settings);

    std::printf("line's limit (bare client), %d readings: %.1f readings/s\n", readings, limit);
    std::printf("merolan-cli measure --paced: %.1f readings/s, %.0f %% of the limit\n", rate, 100.0 * rate / limit);
    std::printf("merolan-cli CPU time per reading: %.0f us\n", cpuPerReadingUs);
    std::printf("merolan-cli settings show, start to exit: median %.1f ms over 20 runs\n", startMs[10]);
    return 0;
}
