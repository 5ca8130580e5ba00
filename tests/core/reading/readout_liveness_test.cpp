#include "core/reading/readout_liveness.hpp"

#include <gtest/gtest.h>

using namespace merolan;

namespace {

std::string statusOf(const ReadoutLiveness &liveness)
{
    return liveness.statusText().value_or("");
}

} // namespace

TEST(ReadoutLiveness, ASilentMeterGreysTheValuesAtTheNextPollAndTheNextReadingRevivesThem)
{
    ReadoutLiveness liveness;
    liveness.pollSent("10:00:00");
    EXPECT_FALSE(liveness.statusText()); // the first poll has had no time to be answered
    liveness.readingShown(true, true, "10:00:01");
    liveness.pollSent("10:00:02");
    EXPECT_FALSE(liveness.greyed());
    liveness.pollSent("10:00:03");
    EXPECT_TRUE(liveness.greyed());
    EXPECT_EQ(statusOf(liveness), "Not live since 10:00:01: the meter does not answer.");
    liveness.pollSent("10:00:04");
    EXPECT_EQ(statusOf(liveness), "Not live since 10:00:01: the meter does not answer.");
    liveness.readingShown(true, true, "10:00:05");
    EXPECT_FALSE(liveness.greyed());
    EXPECT_FALSE(liveness.statusText());

    ReadoutLiveness neverAnswered; // told even before there is a value to grey
    neverAnswered.pollSent("09:00:00");
    neverAnswered.pollSent("09:00:01");
    EXPECT_FALSE(neverAnswered.greyed());
    EXPECT_EQ(statusOf(neverAnswered), "Not live since 09:00:00: the meter does not answer.");
}

TEST(ReadoutLiveness, AStopGreysWhatItLeavesStandingUntilARenewedReading)
{
    const std::pair<NotLiveCause, const char *> cases[] = {
        {NotLiveCause::AttenuatorEdited, "measuring stopped when the attenuator was edited; press \"Start Measure\""},
        {NotLiveCause::CalibrationOpened, "measuring stopped for the calibration window; press \"Start Measure\""},
        {NotLiveCause::PortClosed, "the port was closed."},
        {NotLiveCause::PortLost, "the port went away."},
    };
    for (const auto &[cause, why] : cases) {
        SCOPED_TRACE(why);
        ReadoutLiveness liveness;
        liveness.pollSent("10:00:00");
        liveness.readingShown(true, true, "10:00:00");
        liveness.measuringStopped(cause, "10:00:07");
        EXPECT_TRUE(liveness.greyed());
        EXPECT_NE(statusOf(liveness).find("Not live since 10:00:07: " + std::string(why)), std::string::npos)
            << statusOf(liveness);
        // The answer to the last poll is fresh but nothing follows it; a restart that the
        // meter does not answer is silence since then, not since the restart.
        liveness.readingShown(true, false, "10:00:08");
        EXPECT_TRUE(liveness.greyed());
        EXPECT_NE(statusOf(liveness).find("Not live since 10:00:08: " + std::string(why)), std::string::npos);
        liveness.pollSent("10:00:20");
        liveness.pollSent("10:00:21");
        EXPECT_EQ(statusOf(liveness), "Not live since 10:00:08: the meter does not answer.");
        liveness.readingShown(true, true, "10:00:22");
        EXPECT_FALSE(liveness.greyed());
    }

    ReadoutLiveness polled; // a value the user polled for once is fresh, but not renewed
    polled.readingShown(true, false, "11:00:00");
    EXPECT_EQ(statusOf(polled), "Not live since 11:00:00: measuring is off; press \"Start Measure\" to go on.");

    ReadoutLiveness blank; // a stop with nothing on the readouts has nothing to say
    blank.readingShown(false, true, "10:00:00");
    blank.measuringStopped(NotLiveCause::ScaleLimitEdited, "10:00:01");
    EXPECT_FALSE(blank.greyed());
    EXPECT_FALSE(blank.statusText());
}
