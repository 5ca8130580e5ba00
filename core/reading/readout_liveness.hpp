#pragma once

#include <optional>
#include <string>

namespace merolan {

// Why the readouts and the needle no longer follow the meter.
enum class NotLiveCause {
    MeasuringOff,     // a reading came in while no polls go out (the last poll's answer, "Measure")
    AttenuatorEdited, // each of these stops measuring on purpose
    ScaleLimitEdited,
    RelativeModeEnded,
    CalibrationOpened,
    PortClosed,
    PortLost,
    NoPort,
    MeterSilent, // polls go out, answers do not come
};

// Whether the numbers on screen are being renewed, and if not, since when and why. The readouts
// keep their last values so they can still be read; the window greys them while they are not
// live. Clock texts are the wall-clock time as the user reads it ("14:02:11").
class ReadoutLiveness
{
public:
    // A reading reached the readouts: `values` when they now show numbers, `renewed` when more
    // will follow (measuring runs, or the user asked for this one value with the test button).
    void readingShown(bool values, bool renewed, const std::string &clock);
    // A poll is going out: a meter that has not answered the one before is silent from the
    // time of its last reading on.
    void pollSent(const std::string &clock);
    void measuringStopped(NotLiveCause cause, const std::string &clock);

    // Values on screen that are not being renewed.
    bool greyed() const { return showsValues_ && cause_.has_value(); }
    // "Not live since 14:02:11: the meter does not answer." A silent meter is told even before
    // its first reading; a stop only while there are values it leaves standing.
    std::optional<std::string> statusText() const;

private:
    bool showsValues_ = false;
    bool answeredSincePoll_ = true;
    std::optional<NotLiveCause> cause_;
    std::string since_;
    std::string lastReading_;
    std::string lastPoll_;
};

} // namespace merolan
