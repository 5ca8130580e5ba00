#include "core/logs/reading_lines.hpp"

#include <gtest/gtest.h>

using namespace merolan;

TEST(ReadingLines, JsonAndTextSayTheSameAsTheLog)
{
    ReadingRecord live;
    live.timeUtcMs = 1'796'828'531'348;
    live.elapsedS = 12.5;
    live.voltageV = 1.25;
    live.levelDbm = -30;
    live.powerW = 1e-6;
    live.rmsV = 0.007;
    live.range = 1;
    live.attenuatorDb = 0;
    ReadingRecord dead = live;
    dead.levelDbm = dead.powerW = dead.rmsV = dead.attenuatorDb = std::nullopt;
    dead.range = 0;
    dead.lampLit = true;
    dead.note = "The attenuator \"1\tO\" is not a number.";

    EXPECT_EQ(jsonlRow(live), "{\"time_utc\":\"2026-12-09T15:02:11.348Z\",\"elapsed_s\":12.5,\"voltage_v\":1.25,"
                              "\"level_dbm\":-30,\"relative_db\":null,\"power_w\":1e-06,\"rms_v\":0.007,"
                              "\"range\":\"low\",\"attenuator_db\":0,\"lamp\":false,\"note\":\"\"}\n");
    EXPECT_EQ(jsonlRow(dead), "{\"time_utc\":\"2026-12-09T15:02:11.348Z\",\"elapsed_s\":12.5,\"voltage_v\":1.25,"
                              "\"level_dbm\":null,\"relative_db\":null,\"power_w\":null,\"rms_v\":null,"
                              "\"range\":null,\"attenuator_db\":null,\"lamp\":true,"
                              "\"note\":\"The attenuator \\\"1\\tO\\\" is not a number.\"}\n");
    EXPECT_EQ(textRow(live, false), "2026-12-09T15:02:11.348Z       -30 dBm        1 uW        7 mV\n");
    EXPECT_EQ(textRow(dead, false), "2026-12-09T15:02:11.348Z   The attenuator \"1\tO\" is not a number.\n");
}
