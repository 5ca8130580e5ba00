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
