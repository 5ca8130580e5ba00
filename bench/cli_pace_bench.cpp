// How close "merolan-cli measure --paced" comes to what the line allows, and how fast the tool
// starts. Both programs run as they ship, against the simulated meter over a pseudo-terminal.
// The line's limit is taken in the same run by a bare client: poll, wait for the three bytes
// of the answer, poll again, with nothing in between.
//   merolan_cli_bench [READINGS]
#include "bench/bench_processes.hpp"
#include "core/settings/meter_settings.hpp"
#include "core/settings/settings_file.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace merolan::bench;

namespace {

// The standard deviation in dB of the levels merolan-cli logs with averaging `count`, against a
// meter whose level jitters: the readings after the average has filled.
double levelJitterDb(const std::string &device, const std::filesystem::path &settings, int count, int readings)
{
    const std::filesystem::path log =
        std::filesystem::temp_directory_path() / ("merolan_cli_bench_" + std::to_string(getpid()) + ".csv");
    std::filesystem::remove(log);
    run({MEROLAN_CLI, "measure", "--port", device, "--settings", settings.string(), "--paced", "--count",
         std::to_string(readings + count), "--average", std::to_string(count), "--output", log.string(), "--quiet"});
    std::ifstream in(log);
    std::vector<double> levels;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#' || line.starts_with("time_utc"))
            continue;
        const std::size_t start = [&] {
            std::size_t at = 0;
            for (int comma = 0; comma < 3; ++comma)
                at = line.find(',', at) + 1;
            return at;
        }();
        levels.push_back(std::strtod(line.c_str() + start, nullptr));
    }
    std::filesystem::remove(log);
    levels.erase(levels.begin(), levels.begin() + std::min<std::ptrdiff_t>(count, std::ssize(levels)));
    double mean = 0;
    for (const double level : levels)
        mean += level / static_cast<double>(levels.size());
    double variance = 0;
    for (const double level : levels)
        variance += (level - mean) * (level - mean) / static_cast<double>(levels.size() - 1);
    return std::sqrt(variance);
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

    const auto [simulator, device] = startSimulator(MEROLAN_METER_SIM);
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

    // Uniform noise of +-0.5 dB: independent readings, so averaging 16 should divide the
    // jitter by about sqrt(16) = 4.
    const auto [noisy, noisyDevice] = startSimulator(MEROLAN_METER_SIM, {"--noise", "0.5"});
    const double single = levelJitterDb(noisyDevice, settings, 1, readings);
    const double averaged = levelJitterDb(noisyDevice, settings, 16, readings);
    kill(noisy, SIGTERM);
    waitpid(noisy, nullptr, 0);

    std::vector<double> startMs;
    for (int i = 0; i < 20; ++i)
        startMs.push_back(run({MEROLAN_CLI, "settings", "show", "--file", settings.string()}).wallS * 1e3);
    std::sort(startMs.begin(), startMs.end());
    std::filesystem::remove(settings);

    std::printf("line's limit (bare client), %d readings: %.1f readings/s\n", readings, limit);
    std::printf("merolan-cli measure --paced: %.1f readings/s, %.0f %% of the limit\n", rate, 100.0 * rate / limit);
    std::printf("merolan-cli CPU time per reading: %.0f us\n", cpuPerReadingUs);
    std::printf("merolan-cli settings show, start to exit: median %.1f ms over 20 runs\n", startMs[10]);
    std::printf("level jitter, noise +-0.5 dB: %.3f dB single, %.3f dB averaging 16, %.2f times less\n", single,
                averaged, single / averaged);
    return 0;
}
