#include "core/reading/link_status.hpp"

#include <cstddef>
#include <cstdio>

namespace merolan {
namespace {

constexpr const char *kSeparator = " \u00b7 ";

std::string oneDecimal(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// "12:03", and "1:02:03" from an hour on: a stopwatch, which the eye reads at a glance.
std::string durationText(double seconds)
{
    const long long whole = seconds > 0 ? static_cast<long long>(seconds) : 0;
    char text[48];
    if (whole < 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

// "3,612": grouped, since the count runs into the hundred thousands in a day.
std::string groupedCount(long long count)
{
    std::string digits = std::to_string(count < 0 ? 0 : count);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    return digits;
}

} // namespace

std::string linkStatusText(const LinkStatus &status)
{
    std::string text;
    const auto add = [&text](const std::string &part) { text += (text.empty() ? "" : kSeparator) + part; };
    if (!status.portOpen) {
        add("No port open");
    } else {
        if (!status.port.empty())
            add(status.port);
        if (!status.device.empty())
            add(status.device);
    }
    if (status.portOpen && !status.measuring)
        add("not measuring");
    if (status.measuring) {
        if (status.secondsUnanswered && *status.secondsUnanswered >= kSilentMeterSeconds) {
            add("No answer from the meter for " + std::to_string(static_cast<long long>(*status.secondsUnanswered)) +
                " s");
        } else {
            if (status.readingsPerSecond)
                add(oneDecimal(*status.readingsPerSecond) + " readings/s");
            if (status.secondsSinceAnswer)
                add("last answer " + oneDecimal(*status.secondsSinceAnswer) + " s ago");
        }
    }
    if (status.readsDropped > 0) {
        // Unasked readings point at the meter or the line, malformed ones rather at the speed or
        // the wiring: the count tells the two apart.
        std::string dropped = status.readsDropped == 1 ? std::string("1 read dropped")
                                                       : std::to_string(status.readsDropped) + " reads dropped";
        if (status.readsUnasked > 0)
            dropped += " (" + std::to_string(status.readsUnasked) + " unasked)";
        add(dropped);
    }
    if (!status.remoteAddress.empty()) {
        add("Remote " + status.remoteAddress + " (" + std::to_string(status.remoteClients) +
            (status.remoteClients == 1 ? " client)" : " clients)"));
    }
    if (!status.recordingFile.empty())
        add(recordingStatusText(status));
    return text;
}

std::string recordingStatusText(const LinkStatus &status)
{
    if (status.recordingFile.empty())
        return {};
    return "Recording " + status.recordingFile + kSeparator + durationText(status.recordingSeconds) + kSeparator +
           groupedCount(status.recordingRows) + (status.recordingRows == 1 ? " row" : " rows");
}

} // namespace merolan
