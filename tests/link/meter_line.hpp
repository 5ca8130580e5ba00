#pragma once

#include "link/serial_link.hpp"
#include "tools/meter_sim/meter_simulator.hpp"

#include <QDeadlineTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <initializer_list>

// The link talking to a simulated meter over a pseudo-terminal, both in this thread.
namespace merolan::testing {

constexpr int kTimeoutMs = 5000;

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int v : values)
        result.append(static_cast<char>(v));
    return result;
}

// Runs the event loop until the spy holds count signals; generous, since the machine may be busy.
inline bool waitForCount(QSignalSpy &spy, qsizetype count, int timeoutMs = kTimeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (spy.count() < count) {
        if (deadline.hasExpired() || !spy.wait(static_cast<int>(deadline.remainingTime())))
            return spy.count() >= count;
    }
    return true;
}

// A simulated meter on a pseudo-terminal, and the frames it takes in.
class SimulatedMeter : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(meter.openPseudoTerminal(&error)) << error.toStdString();
    }

    // The next frame the meter takes in.
    QByteArray nextFrame()
    {
        if (!waitForCount(frames, seen_ + 1))
            return {};
        return frames.at(seen_++).at(0).toByteArray();
    }

    MeterSimulator meter;
    QSignalSpy frames{&meter, &MeterSimulator::frameReceived};

private:
    qsizetype seen_ = 0;
};

// A serial link open on the simulated meter.
class MeterLine : public SimulatedMeter
{
protected:
    void SetUp() override
    {
        SimulatedMeter::SetUp();
        const auto failure = link.open(meter.devicePath(), "Com 1");
        ASSERT_FALSE(failure) << failure->toStdString();
    }

    SerialLink link;
    QSignalSpy reads{&link, &SerialLink::readArrived};
};

} // namespace merolan::testing
