#include "core/csv_log.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <utility>

using namespace merolan;

TEST(CsvLog, UtcTimeTextCountsEveryDayOfTheGregorianCalendar)
{
    const std::pair<std::int64_t, const char *> cases[] = {
        {0, "1970-01-01T00:00:00.000Z"},
        {-1, "1969-12-31T23:59:59.999Z"},
        {1'796'828'220'123, "2026-12-09T14:57:00.123Z"},
        {1'709'251'199'999, "2024-02-29T23:59:59.999Z"},
        {951'782'400'000, "2000-02-29T00:00:00.000Z"},
        {-2'203'891'200'000, "1900-03-01T00:00:00.000Z"}, // 1900 has no leap day
        {-11'670'955'200'000, "1600-02-29T12:00:00.000Z"},
        {-62'135'596'800'001, "0000-12-31T23:59:59.999Z"},
        {-62'167'219'200'001, "-0001-12-31T23:59:59.999Z"},
        {253'402'300'800'000, "+10000-01-01T00:00:00.000Z"},
        {std::numeric_limits<std::int64_t>::max(), "+292278994-08-17T07:12:55.807Z"},
        {std::numeric_limits<std::int64_t>::min(), "-292275055-05-16T16:47:04.192Z"},
    };
    for (auto [ms, text] : cases)
        EXPECT_EQ(utcTimeText(ms), text) << ms;
}

TEST(CsvLog, RowsAreExactBytes)
{
    ReadingRecord full;
    full.timeUtcMs = 1'796'828'220'123;
    full.elapsedS = 0.1 + 0.2;
    full.voltageV = 1.52486;
    full.levelDbm = -10;
    full.relativeDb = 2.5;
    full.powerW = 0.0001;
    full.rmsV = 0.07071067811865475;
    full.range = 3;
    full.attenuatorDb = 20;
    full.lampLit = true;
    EXPECT_EQ(csvRow(full),
              "2026-12-09T14:57:00.123Z,0.30000000000000004,1.52486,-10,2.5,1e-04,0.07071067811865475,high,20,1,\r\n");

    ReadingRecord gap;
    gap.timeUtcMs = -1;
    gap.voltageV = std::numeric_limits<double>::quiet_NaN(); // never written as "nan"
    gap.relativeDb = -0.0;
    gap.note = "Dämpfung \"x\", keine Zahl";
    EXPECT_EQ(csvRow(gap), "1969-12-31T23:59:59.999Z,0,,,0,,,,,0,\"Dämpfung \"\"x\"\", keine Zahl\"\r\n");

    EXPECT_EQ(csvHeaderRow(),
              "time_utc,elapsed_s,voltage_v,level_dbm,relative_db,power_w,rms_v,range,attenuator_db,lamp,note\r\n");
}

TEST(CsvLog, PreambleKeepsEachValueOnItsCommentLine)
{
    LogHeader header;
    header.programVersion = "1.0";
    header.port = "Com 1";
    header.device = "/dev/ttyUSB0";
    header.range = 2;
    header.attenuator = "20\r\n,\"x";
    header.calibrationMinus10 = "1,54132";
    header.calibrationMinus50 = "0.77893";
    header.relativeMode = true;
    header.zeroReferenceDbm = -12.5;
    EXPECT_EQ(csvPreamble(header), "# program version: 1.0\r\n"
                                   "# port: Com 1\r\n"
                                   "# device: /dev/ttyUSB0\r\n"
                                   "# range: Mid\r\n"
                                   "# attenuator (dB): 20  ,'x\r\n"
                                   "# -10 dBm point: 1,54132\r\n"
                                   "# -50 dBm point: 0.77893\r\n"
                                   "# relative mode: on\r\n"
                                   "# zero reference (dBm): -12.5\r\n");
}
