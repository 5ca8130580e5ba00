#include "core/reading/readout_liveness.hpp"

namespace merolan {
namespace {

constexpr const char *kGoOn = "; press \"Start Measure\" to go on";

std::string why(NotLiveCause cause)
{
    switch (cause) {
    case NotLiveCause::MeasuringOff:
        return std::string("measuring is off") + kGoOn;
    case NotLiveCause::AttenuatorEdited:
        return std::string("measuring stopped when the attenuator was edited") + kGoOn;
    case NotLiveCause::ScaleLimitEdited:
        return std::string("measuring stopped when a scale limit was edited") + kGoOn;
    case NotLiveCause::RelativeModeEnded:
        return std::string("measuring stopped when relative measurement was switched off") + kGoOn;
    case NotLiveCause::CalibrationOpened:
        return std::string("measuring stopped for the calibration window") + kGoOn;
    case NotLiveCause::PortClosed:
        return "the port was closed";
    case NotLiveCause::PortLost:
        return "the port went away";
    case NotLiveCause::NoPort:
        return "no port is open";
    case NotLiveCause::MeterSilent:
        break;
    }
    return "the meter does not answer";
}

} // namespace

void ReadoutLiveness::readingShown(bool values, bool renewed, const std::string &clock)
{
    showsValues_ = values;
    answeredSincePoll_ = true;
    lastReading_ = clock;
    if (renewed) {
        cause_.reset();
        return;
    }
    // The value is fresh, but nothing will follow it.
    if (!cause_ || *cause_ == NotLiveCause::MeterSilent)
        cause_ = NotLiveCause::MeasuringOff;
    since_ = clock;
}

void ReadoutLiveness::pollSent(const std::string &clock)
{
    if (!answeredSincePoll_ && cause_ != NotLiveCause::MeterSilent) {
        // After a stop the values have been stale since then; otherwise since the last answer.
        if (!cause_)
            since_ = lastReading_.empty() ? lastPoll_ : lastReading_;
        cause_ = NotLiveCause::MeterSilent;
    }
    answeredSincePoll_ = false;
    lastPoll_ = clock;
}

void ReadoutLiveness::measuringStopped(NotLiveCause cause, const std::string &clock)
{
    // The poll in flight may still be answered; a restart must not count it against the meter.
    answeredSincePoll_ = true;
    if (!cause_)
        since_ = clock;
    cause_ = cause;
}

std::optional<std::string> ReadoutLiveness::statusText() const
{
    if (!cause_ || (!showsValues_ && *cause_ != NotLiveCause::MeterSilent))
        return std::nullopt;
    return "Not live since " + since_ + ": " + why(*cause_) + ".";
}

} // namespace merolan
