#include "link/meter_session.hpp"

#include "tests/link/meter_line.hpp"

using namespace merolan;
using namespace merolan::testing;

using MeterSessionLine = SimulatedMeter;

TEST_F(MeterSessionLine, RunsTheWholeCycleWithoutAnyWindow)
{
    AppState state;
    state.settings = factorySettings();
    MeterSession session(state);
    QSignalSpy handled(&session, &MeterSession::readingHandled);
    QSignalSpy dropped(&session, &MeterSession::readDropped);
    QSignalSpy problems(&session, &MeterSession::portProblem);

    session.start(); // no port yet: polling stops at the first tick and says so once
    ASSERT_TRUE(waitForCount(problems, 1));
    EXPECT_EQ(problems.at(0).at(0).value<MeterSession::PortProblem>(), MeterSession::PortProblem::NotOpen);
    EXPECT_FALSE(session.isMeasuring());

    session.setPortDevice(1, meter.devicePath());
    session.choosePort(1);
    meter.setLevelDbm(-30);
    session.setTurbo(true);
    session.start();
    ASSERT_TRUE(waitForCount(handled, 1));
    const auto outcome = handled.at(0).at(0).value<ReadingOutcome>();
    EXPECT_EQ(outcome.dbmText, "-30 dBm");
    EXPECT_EQ(outcome.traceText, "39:FA:DB");
    EXPECT_EQ(nextFrame().toHex(' '), bytes({128, 0, 0}).toHex(' '));
    EXPECT_EQ(nextFrame().toHex(' '), bytes({0, 0, 128}).toHex(' ')); // the update frame: position 5

    meter.setFault(MeterSimulator::Fault::ExtraByte);
    EXPECT_TRUE(waitForCount(dropped, 1)); // the reply with a stray byte is no reading
    EXPECT_EQ(problems.count(), 1);
}

TEST_F(MeterSessionLine, TakesOneReadingPerPollAndDropsReadingsNoPollAskedFor)
{
    AppState state;
    state.settings = factorySettings();
    MeterSession session(state);
    session.setPortDevice(1, meter.devicePath());
    session.choosePort(1);
    session.setPollInterval(std::chrono::milliseconds(200));
    QSignalSpy handled(&session, &MeterSession::readingHandled);
    QSignalSpy dropped(&session, &MeterSession::readDropped);

    // The test answers in the meter's place, so it knows which bytes answer a poll: every poll
    // gets its reply, and every reading is followed by a frame no poll asked for, at full scale,
    // far above any level the meter reports.
    const QByteArray reply = MeterSimulator::readingFrame(MeterSimulator::codeForDbm(-30.0));
    const QByteArray unasked = MeterSimulator::readingFrame(0xFFFFFF);
    bool answerPolls = true;
    meter.setFault(MeterSimulator::Fault::Silent);
    QObject::connect(&meter, &MeterSimulator::frameReceived, &meter, [&](const QByteArray &frame) {
        if (answerPolls && (static_cast<quint8>(frame.at(0)) & 0x80) != 0)
            meter.sendRaw(reply);
    });
    QObject::connect(&session, &MeterSession::readingHandled, &meter, [&] { meter.sendRaw(unasked); });
    // Measuring stops as the third poll leaves, so its answer comes after stop().
    int polls = 0;
    QObject::connect(&session, &MeterSession::pollSent, &session, [&] {
        if (++polls == 3)
            session.stop();
    });

    session.start();
    ASSERT_TRUE(waitForCount(dropped, 3));
    EXPECT_FALSE(session.isMeasuring());
    EXPECT_EQ(polls, 3);
    ASSERT_EQ(handled.count(), 3);
    for (const QList<QVariant> &signal : handled)
        EXPECT_EQ(signal.at(0).value<ReadingOutcome>().dbmText, "-30 dBm");
    EXPECT_EQ(session.readsDropped(), 3);
    EXPECT_EQ(session.readsUnasked(), 3);
    EXPECT_EQ(session.unansweredPolls(), 0);

    // Noise ahead of the reply to "Measure" is dropped as malformed; the poll keeps its reading.
    answerPolls = false;
    ASSERT_TRUE(session.pollOnce());
    meter.sendRaw(bytes({0x55}));
    ASSERT_TRUE(waitForCount(dropped, 4));
    meter.sendRaw(reply);
    ASSERT_TRUE(waitForCount(handled, 4));
    ASSERT_TRUE(waitForCount(dropped, 5)); // the frame after it
    EXPECT_EQ(handled.count(), 4);
    EXPECT_EQ(session.readsDropped(), 5);
    EXPECT_EQ(session.readsUnasked(), 4);
}
