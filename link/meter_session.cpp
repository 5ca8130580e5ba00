#include "link/meter_session.hpp"

#include "core/reading/wire_protocol.hpp"
#include "link/frame_sender.hpp"

#include <QDateTime>

#include <algorithm>
#include <span>
#include <utility>

namespace merolan {

MeterSession::MeterSession(Instrument &instrument, QObject *parent) : QObject(parent), instrument_(instrument)
{
    // Children named as the controls they were, so tests and tools find them.
    pollTimer_.setParent(this);
    closeTimer_.setParent(this);
    pollTimer_.setObjectName(QStringLiteral("Timer1"));
    closeTimer_.setObjectName(QStringLiteral("Timer2"));
    pollTimer_.setInterval(kPollInterval);
    pollTimer_.setTimerType(Qt::PreciseTimer); // a coarse timer would poll every 325 ms
    closeTimer_.setInterval(kPortCloseDelay);
    connect(&pollTimer_, &QTimer::timeout, this, &MeterSession::pollTick);
    connect(&closeTimer_, &QTimer::timeout, this, &MeterSession::closeTick);
    connect(&link_, &SerialLink::readArrived, this, &MeterSession::readArrived);
    connect(&link_, &SerialLink::portLost, this, &MeterSession::portLost);
    clockStartUtcMs_ = QDateTime::currentMSecsSinceEpoch();
    clock_.start();
}

std::int64_t MeterSession::nowUtcMs() const
{
    return clockStartUtcMs_ + clock_.elapsed();
}

void MeterSession::openDevice(const QString &device, const QString &portName)
{
    closeTimer_.stop();
    // Polls sent on the line before have no answer coming on this one.
    readingsDueNow_ = readingsDueBefore_ = 0;
    if (const std::optional<QString> problem = link_.open(device, portName))
        openFailed(*problem);
    emit portChanged();
}

void MeterSession::refusePort(const QString &reason)
{
    closeTimer_.stop();
    link_.close();
    openFailed(reason);
    emit portChanged();
}

void MeterSession::openFailed(const QString &message)
{
    const bool wasMeasuring = isMeasuring();
    stop();
    emit portProblem(PortProblem::OpenFailed,
                     message + (wasMeasuring ? QStringLiteral("\nMeasuring has stopped.") : QString()));
}

void MeterSession::closePort()
{
    stop();
    if (!closeTimer_.isActive())
        closeTimer_.start();
}

void MeterSession::start()
{
    if (pollTimer_.isActive())
        return;
    toldNoPort_ = false;
    oldestUnansweredMs_.reset();
    awaitingAnswer_ = false;
    measuringClock_.start();
    pollTimer_.start();
    emit measuringChanged(true);
    if (paced_)
        pollTick(); // paced polling has no interval to wait for
}

void MeterSession::stop()
{
    pollTimer_.stop();
    emit measuringChanged(false);
}

void MeterSession::release()
{
    pollTimer_.stop();
    closeTimer_.stop();
    link_.close();
}

void MeterSession::setTurbo(bool on)
{
    setPollInterval(on ? kTurboPollInterval : kPollInterval);
}

void MeterSession::setPollInterval(std::chrono::milliseconds interval)
{
    interval_ = std::max(interval, kShortestPollInterval);
    if (!paced_)
        pollTimer_.setInterval(interval_);
}

void MeterSession::setPaced(bool on)
{
    paced_ = on;
    pollTimer_.setInterval(paced_ ? kPacedAnswerTimeout : interval_);
}

bool MeterSession::pollOnce()
{
    if (!sendPoll(link_, instrument_.setup().settings))
        return false;
    pollWentOut(false);
    return true;
}

void MeterSession::armCapture(int slot, int readings)
{
    chain_.calCaptureSlot = static_cast<std::int16_t>(slot);
    chain_.captureAverage = {readings, 0, 0};
}

ReadingOutcome MeterSession::testVoltage(std::string_view typedVoltage)
{
    const InstrumentSetup &setup = instrument_.setup();
    return processTestVoltage(chain_, setup, typedVoltage, readingInputsOf(setup));
}

bool MeterSession::sendPanelPwm(double value)
{
    return merolan::sendPanelPwm(link_, instrument_.setup().settings, value);
}

void MeterSession::pollTick()
{
    if (!link_.isOpen()) {
        // Polling a closed port would go on silently for ever: stop and say so once.
        stop();
        if (!toldNoPort_) {
            toldNoPort_ = true;
            emit portProblem(PortProblem::NotOpen,
                             QStringLiteral("No port is open. Choose the meter's port under \"Select Port :\" and "
                                            "press \"Start Measure\" again."));
        }
        return;
    }
    emit pollSent();
    if (!sendPoll(link_, instrument_.setup().settings))
        return;
    pollWentOut(true);
    if (awaitingAnswer_)
        ++unansweredPolls_;
    awaitingAnswer_ = true;
    if (!oldestUnansweredMs_)
        oldestUnansweredMs_ = nowUtcMs();
}

void MeterSession::pollWentOut(bool cyclePoll)
{
    if (cyclePoll) {
        readingsDueBefore_ = readingsDueNow_;
        readingsDueNow_ = 0;
    }
    ++readingsDueNow_;
}

bool MeterSession::takeReadingDue()
{
    // The oldest poll first: it is the one a meter answering in order answers now.
    int &due = readingsDueBefore_ > 0 ? readingsDueBefore_ : readingsDueNow_;
    if (due == 0)
        return false;
    --due;
    return true;
}

void MeterSession::closeTick()
{
    if (link_.isOpen()) {
        link_.close();
        emit portChanged();
    }
}

void MeterSession::readArrived(const QByteArray &read)
{
    const auto bytes =
        std::span(reinterpret_cast<const std::uint8_t *>(read.constData()), static_cast<std::size_t>(read.size()));
    std::optional<DecodedReading> reading = decodeReadingFrame(bytes);
    if (reading && !takeReadingDue()) {
        // No poll is owed a reading, so this one answers none: it neither paces the next poll
        // nor counts as the latest answer.
        ++readsDropped_;
        ++readsUnasked_;
        emit readDropped(read);
        return;
    }
    const bool answered = std::exchange(awaitingAnswer_, false);
    if (!reading) {
        // A malformed read may be noise ahead of the reply (or a reply cut apart): the poll keeps
        // its right to a reading, so the whole reply after it still counts.
        ++readsDropped_;
        emit readDropped(read);
        replyArrived(answered);
        return;
    }
    lastAnswerMs_ = nowUtcMs();
    oldestUnansweredMs_.reset();
    const InstrumentSetup &setup = instrument_.setup();
    ReadingOutcome outcome = processReading(chain_, setup, reading->detectorVoltage, readingInputsOf(setup));
    outcome.traceText = std::move(reading->trace);
    if (outcome.sendUpdateFrame && sendsUpdateFrames_)
        sendScalePosition(link_, setup.settings, chain_.scalePosition);
    const double elapsedS = measuringClock_.isValid() ? static_cast<double>(measuringClock_.elapsed()) / 1000.0 : 0.0;
    emit readingHandled(outcome,
                        recordOf(setup, chain_, reading->detectorVoltage, outcome, *lastAnswerMs_, elapsedS));
    replyArrived(answered);
}

void MeterSession::replyArrived(bool answersTheLastPoll)
{
    // A listener may have stopped measuring on this reply. A reply no poll waits for (a meter
    // that answered twice) sends no poll of its own, or two polls would share the line from then on.
    if (!paced_ || !pollTimer_.isActive() || !answersTheLastPoll)
        return;
    pollTimer_.start(); // the time-out counts from this poll
    pollTick();
}

void MeterSession::portLost(const QString &message)
{
    const bool wasMeasuring = isMeasuring();
    stop();
    closeTimer_.stop();
    emit portProblem(PortProblem::Lost, message +
                                            (wasMeasuring ? QStringLiteral(" Measuring has stopped.") : QString()) +
                                            QStringLiteral("\nChoose the port again once the meter is back."));
    emit portChanged();
}

} // namespace merolan
