// How fast the SCPI server answers, as test tools meet it: "merolan-cli serve" as it ships, the
// simulated meter over a pseudo-terminal, and one client on a loopback socket.
//  - FETCh? answers from the latest reading, so it times the server alone: round trips per
//    second, their median and 99th percentile.
//  - MEAS? waits for a fresh reading each time, so it times the meter's line; the line's limit is
//    taken in the same run by a bare client polling on the pseudo-terminal.
//   merolan_remote_bench [FETCHES] [READINGS]
#include "bench/bench_processes.hpp"
#include "core/settings/meter_settings.hpp"
#include "core/settings/settings_file.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

using namespace merolan::bench;

namespace {

// Starts the server on a free port; its pid and the port it says it took.
std::pair<pid_t, int> startServer(const std::string &device, const std::filesystem::path &settings)
{
    int errPipe[2];
    if (pipe(errPipe) != 0)
        std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    std::vector<std::string> arguments{MEROLAN_CLI,  "serve",           "--port",   device,
                                       "--settings", settings.string(), "--listen", "127.0.0.1:0"};
    std::vector<char *> argv;
    for (std::string &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        std::exit(1);
    posix_spawn_file_actions_destroy(&actions);
    close(errPipe[1]);
    std::string line;
    char c = 0;
    while (read(errPipe[0], &c, 1) == 1 && c != '\n')
        line += c;
    const std::size_t colon = line.rfind(':');
    if (line.find("serving") == std::string::npos || colon == std::string::npos)
        std::exit(1);
    return {pid, std::atoi(line.c_str() + colon + 1)};
}

class Client
{
public:
    explicit Client(int port) : fd_(socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd_, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
            std::exit(1);
        const int on = 1;
        setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    ~Client() { close(fd_); }
    Client(const Client &) = delete;
    Client &operator=(const Client &) = delete;

    std::string query(const std::string &message)
    {
        const std::string line = message + '\n';
        if (write(fd_, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            std::exit(1);
        std::string answer;
        char c = 0;
        while (read(fd_, &c, 1) == 1 && c != '\n')
            answer += c;
        return answer;
    }

private:
    int fd_;
};

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

} // namespace

int main(int argc, char *argv[])
{
    const int fetches = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 20000;
    const int readings = argc > 2 ? std::max(100, std::atoi(argv[2])) : 1000;
    const std::filesystem::path settings =
        std::filesystem::temp_directory_path() / ("merolan_remote_bench_" + std::to_string(getpid()) + ".dat");
    if (merolan::saveSettings(settings, merolan::factorySettings(), '.'))
        return 1;
    const auto [simulator, device] = startSimulator(MEROLAN_METER_SIM);
    const double limit = lineLimit(device, readings);
    const auto [server, port] = startServer(device, settings);

    Client client(port);
    if (client.query("MEAS?").empty())
        return 1;
    std::vector<double> roundTripsUs;
    roundTripsUs.reserve(static_cast<std::size_t>(fetches));
    const Clock::time_point fetchStart = Clock::now();
    for (int i = 0; i < fetches; ++i) {
        const Clock::time_point sent = Clock::now();
        if (client.query("FETC?").empty())
            return 1;
        roundTripsUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
    }
    const double fetchSeconds = std::chrono::duration<double>(Clock::now() - fetchStart).count();

    const Clock::time_point measureStart = Clock::now();
    for (int i = 0; i < readings; ++i) {
        if (client.query("MEAS?").empty())
            return 1;
    }
    const double measureRate = readings / std::chrono::duration<double>(Clock::now() - measureStart).count();

    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    kill(simulator, SIGTERM);
    waitpid(simulator, nullptr, 0);
    std::filesystem::remove(settings);

    std::printf("FETCh?, %d round trips: %.0f answers/s, median %.0f us, 99th percentile %.0f us\n", fetches,
                fetches / fetchSeconds, percentile(roundTripsUs, 0.5), percentile(roundTripsUs, 0.99));
    std::printf("line's limit (bare client), %d readings: %.1f readings/s\n", readings, limit);
    std::printf("MEAS?, %d readings: %.1f readings/s, %.0f %% of the limit\n", readings, measureRate,
                100.0 * measureRate / limit);
    return 0;
}
