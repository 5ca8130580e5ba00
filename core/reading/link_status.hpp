#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace merolan {

// What the user needs to trust the number on the screen: which line, whether the meter answers,
// how fast, what was thrown away and where the readings go.
struct LinkStatus {
    bool portOpen = false;
    std::string port; // "Com 1"
    std::string device;
    bool measuring = false;
    std::optional<double> readingsPerSecond;  // over the last few seconds
    std::optional<double> secondsSinceAnswer; // absent before the first answer
    std::optional<double> secondsUnanswered;  // since the oldest poll still waiting for its answer
    std::size_t readsDropped = 0;
    std::size_t readsUnasked = 0; // of readsDropped: readings no poll asked for
    std::string remoteAddress;    // where remote clients reach the meter; empty while not served
    int remoteClients = 0;
    std::string recordingFile;   // the log's file name; empty while not recording
    double recordingSeconds = 0; // since recording began
    long long recordingRows = 0; // readings logged
};

// A poll unanswered for this long is a silent meter, not a reply on its way.
inline constexpr double kSilentMeterSeconds = 1.0;

// One line: "Com 1 · /dev/ttyUSB0 · 3.0 readings/s · last answer 0.3 s ago · Recording log.csv · 12:03 ·
// 3,612 rows".
std::string linkStatusText(const LinkStatus &status);
// Its recording part alone, "Recording log.csv · 12:03 · 3,612 rows"; empty while not recording.
std::string recordingStatusText(const LinkStatus &status);

} // namespace merolan
