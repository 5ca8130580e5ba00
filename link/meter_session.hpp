#pragma once

#include "core/instrument/instrument.hpp"
#include "core/reading/chain_state.hpp"
#include "core/reading/reading_chain.hpp"
#include "core/reading/reading_record.hpp"
#include "link/serial_link.hpp"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

namespace merolan {

// The poll rate of the meter and the grace period before "Close Port" really closes.
inline constexpr std::chrono::milliseconds kPollInterval{330};
inline constexpr std::chrono::milliseconds kTurboPollInterval{100};
inline constexpr std::chrono::milliseconds kPortCloseDelay{400};
// Paced polling waits this long for an answer before it takes the poll as lost: two frame times
// at 9600 baud plus the latency timers of a USB adapter in both directions, with room to spare.
inline constexpr std::chrono::milliseconds kPacedAnswerTimeout{50};
// An answer comes anywhere within kPacedAnswerTimeout of its poll, and a damaged one keeps the
// line waiting kLineQuietTime for its missing bytes; polls closer together than both would let
// the next answer run into that wait and be spoilt with it.
inline constexpr std::chrono::milliseconds kShortestPollInterval = kLineQuietTime + kPacedAnswerTimeout;
static_assert(kTurboPollInterval >= kShortestPollInterval);

// One measuring cycle, without any widget: the port choice, the poll timer, the receive chain
// (decode, convert, update frame) and the deferred close. The main window forwards the user's
// actions here and applies what comes back; the recorder and the command-line tool listen to the
// same signals. Everything runs on the thread that owns it.
class MeterSession : public QObject
{
    Q_OBJECT

public:
    enum class PortProblem {
        OpenFailed, // the chosen port did not open; it is closed
        Lost,       // the device went away under an open port; it is closed
        NotOpen,    // measuring started with no port open; it stopped
    };
    Q_ENUM(PortProblem)

    // Measures with the instrument's setup as it stands at each reading.
    explicit MeterSession(Instrument &instrument, QObject *parent = nullptr);

    // Closes any open port and opens `device`, which messages and logs call `portName` ("Com 1"),
    // or by the device itself when that is empty; polling, if on, goes on there.
    void openDevice(const QString &device, const QString &portName = {});
    // The port the user chose has no device behind it: as when opening fails, any open port
    // closes, measuring stops, and `reason` goes out as the problem.
    void refusePort(const QString &reason);
    // "Close Port": measuring stops now, the port closes after kPortCloseDelay.
    void closePort();
    // Starts polling unless it runs already; the first poll follows one interval later.
    void start();
    // Stops polling; the port stays open.
    void stop();
    // Stops everything and closes the port at once, as when the program ends.
    void release();
    void setTurbo(bool on);
    // Intervals below kShortestPollInterval poll at that interval.
    void setPollInterval(std::chrono::milliseconds interval);
    // Paced polling: the next poll goes out as soon as the answer to the last one is handled,
    // so readings come as fast as the meter and the line allow; a poll whose answer does not
    // come within kPacedAnswerTimeout is followed by the next.
    void setPaced(bool on);
    // The update frame after each reading moves the meter's own panel meter; a tool that only
    // reads can leave it out.
    void setSendsUpdateFrames(bool on) { sendsUpdateFrames_ = on; }

    // One poll outside the cycle (the calibration window's "Measure"); false when no port is open.
    bool pollOnce();
    // The next `readings` readings go, averaged, into calibration box `slot` (1..6); 0 disarms.
    void armCapture(int slot, int readings);
    // The test button: the chain for a typed voltage, as if the meter had sent it.
    ReadingOutcome testVoltage(std::string_view typedVoltage);
    // What the chain carries between readings: the needle's place, the latest level, the lamp.
    const ChainState &chain() const { return chain_; }
    // A raw PWM value for the panel meter; false when no port is open.
    bool sendPanelPwm(double value);

    bool isMeasuring() const { return pollTimer_.isActive(); }
    bool isPortOpen() const { return link_.isOpen(); }
    // As given to openDevice; empty while no port is open.
    QString portName() const { return link_.portName(); }
    QString device() const { return link_.device(); }
    std::chrono::milliseconds pollInterval() const { return pollTimer_.intervalAsDuration(); }

    // The session's clock: wall time at its creation, then steady, so the records of a run stay
    // in order when the system clock is set.
    std::int64_t nowUtcMs() const;
    // When the latest reply arrived, on the session's clock; absent before the first.
    std::optional<std::int64_t> lastAnswerUtcMs() const { return lastAnswerMs_; }
    // When the oldest poll still waiting for its answer went out; absent when none waits.
    std::optional<std::int64_t> oldestUnansweredPollUtcMs() const { return oldestUnansweredMs_; }
    // Reads that gave no reading: malformed ones, and readings no poll asked for.
    int readsDropped() const { return readsDropped_; }
    // Of readsDropped, the well-formed readings that came when no poll was waiting for one: a
    // reading frame carries no check, so a meter or a line that talks unasked is told apart only
    // by counting, one reading per poll.
    int readsUnasked() const { return readsUnasked_; }
    // Polls followed by the next poll before any reply came.
    int unansweredPolls() const { return unansweredPolls_; }

signals:
    // Every accepted reply, after its update frame went out, with the record the log keeps.
    void readingHandled(const merolan::ReadingOutcome &outcome, const merolan::ReadingRecord &record);
    // A read that was not one reply of three bytes, or a reading no poll asked for; it is dropped.
    void readDropped(const QByteArray &read);
    void pollSent();
    void measuringChanged(bool on);
    void portProblem(merolan::MeterSession::PortProblem problem, const QString &message);
    // The port opened or closed.
    void portChanged();

private:
    void pollTick();
    void replyArrived(bool answersTheLastPoll);
    void closeTick();
    void readArrived(const QByteArray &read);
    void pollWentOut(bool cyclePoll);
    bool takeReadingDue();
    void portLost(const QString &message);
    void openFailed(const QString &message);

    Instrument &instrument_;
    ChainState chain_;
    SerialLink link_;
    QTimer pollTimer_;
    QTimer closeTimer_;
    bool toldNoPort_ = false;

    std::int64_t clockStartUtcMs_ = 0;
    QElapsedTimer clock_;
    QElapsedTimer measuringClock_; // since the latest start
    std::optional<std::int64_t> lastAnswerMs_;
    std::optional<std::int64_t> oldestUnansweredMs_;
    int readsDropped_ = 0;
    int readsUnasked_ = 0;
    int unansweredPolls_ = 0;
    // Polls whose reading has not come: those sent since the latest cycle poll (that one
    // included), and those sent in the cycle before. Older ones have lapsed, so a meter silent
    // for a while cannot save up rights for readings it later sends unasked, while an answer
    // that missed the paced time-out is still taken.
    int readingsDueNow_ = 0;
    int readingsDueBefore_ = 0;
    bool awaitingAnswer_ = false;
    bool paced_ = false;
    bool sendsUpdateFrames_ = true;
    std::chrono::milliseconds interval_ = kPollInterval;
};

} // namespace merolan
