#include "link/meter_session.hpp"

#include "tests/link/meter_line.hpp"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>

using namespace merolan;
using namespace merolan::testing;

using MeterSessionLine = SimulatedMeter;

TEST_F(MeterSessionLine, RunsTheWholeCycleWithoutAnyWindow)
{
    Instrument instrument(setupFromSettings(factorySettings(), '.'));
    MeterSession session(instrument);
    QSignalSpy handled(&session, &MeterSession::readingHandled);
    QSignalSpy dropped(&session, &MeterSession::readDropped);
    QSignalSpy problems(&session, &MeterSession::portProblem);

    session.start(); // no port yet: polling stops at the first tick and says so once
    ASSERT_TRUE(waitForCount(problems, 1));
    EXPECT_EQ(problems.at(0).at(0).value<MeterSession::PortProblem>(), MeterSession::PortProblem::NotOpen);
    EXPECT_FALSE(session.isMeasuring());

    session.openDevice(meter.devicePath(), "Com 1");
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
    Instrument instrument(setupFromSettings(factorySettings(), '.'));
    MeterSession session(instrument);
    session.openDevice(meter.devicePath(), "Com 1");
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

// The turbo box and the tool's options set the pace; nothing polls faster than one answer can
// come and its damaged predecessor be let go.
TEST(MeterSession, PollsAtTheChosenIntervalButNeverBelowTheShortest)
{
    Instrument instrument;
    MeterSession session(instrument);
    const std::pair<std::function<void()>, std::chrono::milliseconds> cases[] = {
        {[&] { session.setTurbo(true); }, kTurboPollInterval},
        {[&] { session.setTurbo(false); }, kPollInterval},
        {[&] { session.setPollInterval(std::chrono::milliseconds(10)); }, kShortestPollInterval},
        {[&] { session.setPollInterval(std::chrono::milliseconds(1000)); }, std::chrono::milliseconds(1000)},
        {[&] { session.setPaced(true); }, kPacedAnswerTimeout},
        {[&] { session.setPollInterval(kPollInterval); }, kPacedAnswerTimeout}, // kept for later
        {[&] { session.setPaced(false); }, kPollInterval},
    };
    for (const auto &[change, interval] : cases) {
        change();
        EXPECT_EQ(session.pollInterval(), interval);
    }
    // A coarse timer would poll every 95 and 325 ms.
    EXPECT_EQ(session.findChild<QTimer *>(QStringLiteral("Timer1"))->timerType(), Qt::PreciseTimer);
}

// Paced polling goes on after a lost answer, counts it, and knows when the meter last spoke.
TEST_F(MeterSessionLine, APacedPollWhoseAnswerIsLostIsFollowedAndCounted)
{
    Instrument instrument(setupFromSettings(factorySettings(), '.'));
    MeterSession session(instrument);
    session.openDevice(meter.devicePath(), "Com 1");
    session.setSendsUpdateFrames(false);
    session.setPaced(true);
    QSignalSpy handled(&session, &MeterSession::readingHandled);

    // The test answers in the meter's place: not the first poll, every one after it.
    meter.setFault(MeterSimulator::Fault::Silent);
    int polls = 0;
    std::optional<std::int64_t> waitingSince;
    QObject::connect(&meter, &MeterSimulator::frameReceived, &meter, [&] {
        if (++polls == 2) {
            waitingSince = session.oldestUnansweredPollUtcMs();
            meter.sendRaw(MeterSimulator::readingFrame(MeterSimulator::codeForDbm(-30.0)));
        }
    });
    std::int64_t answered = 0;
    int unansweredThen = 0;
    QObject::connect(&session, &MeterSession::readingHandled, &session, [&] {
        answered = session.nowUtcMs();
        unansweredThen = session.unansweredPolls();
    });
    EXPECT_FALSE(session.lastAnswerUtcMs());
    const std::int64_t started = session.nowUtcMs();
    session.start();
    ASSERT_TRUE(waitForCount(handled, 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return polls >= 3; }, kTimeoutMs)); // the answer paces the next poll
    session.stop();

    EXPECT_EQ(unansweredThen, 1);
    EXPECT_FALSE(session.oldestUnansweredPollUtcMs() && *session.oldestUnansweredPollUtcMs() < answered);
    ASSERT_TRUE(waitingSince);
    EXPECT_GE(*waitingSince, started); // the first poll's, still waiting when the second left
    EXPECT_LE(*waitingSince + kPacedAnswerTimeout.count(), answered);
    ASSERT_TRUE(session.lastAnswerUtcMs());
    EXPECT_GE(*session.lastAnswerUtcMs(), started);
    EXPECT_LE(*session.lastAnswerUtcMs(), answered);
}

// "Close Port" stops at once and closes later, unless a port is chosen meanwhile; a port that
// cannot be had or that vanishes stops measuring and says so once.
TEST_F(MeterSessionLine, ThePortClosesAfterItsDelayAndItsLossStopsMeasuring)
{
    Instrument instrument(setupFromSettings(factorySettings(), '.'));
    MeterSession session(instrument);
    // No poll tick may come between a fault and its report: it would find the port gone first.
    session.setPollInterval(std::chrono::seconds(60));
    QSignalSpy changed(&session, &MeterSession::portChanged);
    QSignalSpy problems(&session, &MeterSession::portProblem);
    session.openDevice(meter.devicePath(), "Com 1");
    ASSERT_TRUE(session.isPortOpen());
    EXPECT_EQ(session.portName(), "Com 1");

    QElapsedTimer closing;
    session.start();
    closing.start();
    session.closePort();
    EXPECT_FALSE(session.isMeasuring());
    EXPECT_TRUE(session.isPortOpen());
    ASSERT_TRUE(waitForCount(changed, 2));
    EXPECT_FALSE(session.isPortOpen());
    // A coarse timer may fire a little early: 5 % of its interval.
    EXPECT_GE(closing.elapsed(), kPortCloseDelay.count() * 95 / 100);

    // Choosing the port again within the delay keeps it open.
    session.openDevice(meter.devicePath());
    session.closePort();
    session.openDevice(meter.devicePath());
    EXPECT_FALSE(changed.wait(static_cast<int>(2 * kPortCloseDelay.count())));
    EXPECT_TRUE(session.isPortOpen());
    EXPECT_EQ(session.portName(), "");

    struct Case {
        std::function<void()> fault;
        MeterSession::PortProblem problem;
    };
    const Case cases[] = {
        {[&] { session.refusePort("There is no serial port for Com 3."); }, MeterSession::PortProblem::OpenFailed},
        {[&] { session.openDevice(meter.devicePath() + "-gone", "Com 2"); }, MeterSession::PortProblem::OpenFailed},
        {[&] { meter.close(); }, MeterSession::PortProblem::Lost},
    };
    for (const Case &c : cases) {
        session.openDevice(meter.devicePath());
        session.start();
        problems.clear();
        c.fault();
        ASSERT_TRUE(waitForCount(problems, 1));
        EXPECT_EQ(problems.at(0).at(0).value<MeterSession::PortProblem>(), c.problem);
        EXPECT_TRUE(problems.at(0).at(1).toString().contains("Measuring has stopped"))
            << problems.at(0).at(1).toString().toStdString();
        EXPECT_FALSE(session.isMeasuring());
        EXPECT_FALSE(session.isPortOpen());
    }
    EXPECT_FALSE(problems.wait(200)); // once
}
