#include "bench/bench_processes.hpp"

#include "core/reading/wire_protocol.hpp"

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char **environ;

namespace merolan::bench {

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

std::pair<pid_t, std::string> startSimulator(const char *program, std::vector<std::string> options)
{
    int outPipe[2];
    if (pipe(outPipe) != 0)
        std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    std::vector<char *> argv{const_cast<char *>(program)};
    for (std::string &option : options)
        argv.push_back(option.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
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

double lineLimit(const std::string &device, int readings)
{
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        std::exit(1);
    termios raw{};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);
    const FrameBytes poll = encodeCommandFrame(pollMode(commandModeFor(false)), 0);
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

} // namespace merolan::bench
