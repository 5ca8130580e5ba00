#pragma once

// Running the programs as they ship, and the line's own limit, for the benchmarks that time
// whole cycles against the simulated meter.
#include <chrono>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace merolan::bench {

using Clock = std::chrono::steady_clock;

struct Finished {
    std::string err;
    double wallS = 0;
    double cpuS = 0; // user and system time of the child
};

// Runs a program to its end with stdout thrown away and stderr captured; exits on failure.
Finished run(std::vector<std::string> arguments);

// Starts the simulator with `options`; its pid and the pseudo-terminal it serves.
std::pair<pid_t, std::string> startSimulator(const char *program, std::vector<std::string> options = {});

// Readings per second of a client that polls again the moment an answer is complete.
double lineLimit(const std::string &device, int readings);

} // namespace merolan::bench
