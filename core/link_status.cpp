#include "core/link_status.hpp"

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

} // namespace

std::string linkStatusText(const LinkStatus &status)
{
    std::string text;
    const auto add = [&text](const std::string &part) { text += (text.empty() ? "" : kSeparator) + part; };
    if (status.portNumber == 0) {
        add("No port open");
    } else {
        add("Com " + std::to_string(status.portNumber));
        if (!status.device.empty())
            add(status.device);
    }
    if (status.portNumber != 0 && !status.measuring)
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
    if (!status.recordingFile.empty())
        add("Recording " + status.recordingFile);
    return text;
}

} // namespace merolan
