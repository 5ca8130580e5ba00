#include "core/logs/csv_log.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

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

TEST(CsvLog, LocalTimeTextGivesTheSecondAndTheOffset)
{
    const std::tuple<std::int64_t, int, const char *> cases[] = {
        {1'796'907'731'999, 3600, "2026-12-10T14:02:11+01:00"},
        {1'796'907'731'000, 0, "2026-12-10T13:02:11+00:00"},
        {1'796'907'731'000, -5 * 3600, "2026-12-10T08:02:11-05:00"},
        {1'796'907'731'000, 5 * 3600 + 45 * 60, "2026-12-10T18:47:11+05:45"},
        {0, -3600, "1969-12-31T23:00:00-01:00"},
        {std::numeric_limits<std::int64_t>::max(), 3600, "+292278994-08-17T07:12:55+01:00"}, // no overflow
    };
    for (auto [ms, offset, text] : cases)
        EXPECT_EQ(localTimeText(ms, offset), text) << ms << " " << offset;
}

TEST(CsvLog, NumbersCarryTheDigitsTheMeterResolves)
{
    const std::tuple<double, int, const char *> fixed[] = {
        {-14.82368886537624, 3, "-14.824"},
        {-30, 3, "-30.000"},
        {-0.0004, 3, "0.000"}, // no "-0.000"
        {1.2498779296875, 7, "1.2498779"},
        {5.0 / 16777216.0, 7, "0.0000003"},
        {0.30000000000000004, 3, "0.300"},
        {std::numeric_limits<double>::quiet_NaN(), 3, ""},
    };
    for (auto [value, decimals, text] : fixed)
        EXPECT_EQ(fixedNumber(value, decimals), text) << value;
    const std::pair<double, const char *> significant[] = {
        {9.99718962222414e-07, "9.99719e-07"},
        {0.07071067811865475, "0.0707107"},
        {0.001, "0.001"},
        {12345678.0, "1.23457e+07"},
        {0.0, "0"},
    };
    for (auto [value, text] : significant)
        EXPECT_EQ(significantNumber(value, 6), text) << value;

    // Every step of the converter keeps a text of its own and gives its code back.
    for (std::uint32_t code : {0u, 1u, 2u, 3u, 8'388'607u, 8'388'608u, 16'777'214u, 16'777'215u}) {
        const double volts = code * 5.0 / 16777216.0;
        const std::string text = fixedNumber(volts, kVoltageDecimals);
        EXPECT_EQ(std::lround(std::stod(text) * 16777216.0 / 5.0), static_cast<long>(code)) << text;
        EXPECT_NE(text, fixedNumber((code + 1) * 5.0 / 16777216.0, kVoltageDecimals)) << code;
    }
}

TEST(CsvLog, RowsAreExactBytes)
{
    ReadingRecord full;
    full.timeUtcMs = 1'796'828'220'123;
    full.elapsedS = 0.1 + 0.2;
    full.voltageV = 1.2498779296875;
    full.levelDbm = -14.82368886537624;
    full.relativeDb = 2.5;
    full.powerW = 0.0001;
    full.rmsV = 0.07071067811865475;
    full.range = 3;
    full.attenuatorDb = 20.5;
    full.lampLit = true;
    EXPECT_EQ(csvRow(full),
              "2026-12-09T14:57:00.123Z,0.300,1.2498779,-14.824,2.500,0.0001,0.0707107,high,20.5,1,,1,,\r\n");
    // Counted from the recording's start, whatever the session's own clock says.
    EXPECT_EQ(csvRow(full, 1'796'828'100'000),
              "2026-12-09T14:57:00.123Z,120.123,1.2498779,-14.824,2.500,0.0001,0.0707107,high,20.5,1,,1,,\r\n");

    ReadingRecord gap;
    gap.timeUtcMs = -1;
    gap.voltageV = std::numeric_limits<double>::quiet_NaN(); // never written as "nan"
    gap.relativeDb = -0.0;
    gap.note = "Dämpfung \"x\", keine Zahl";
    EXPECT_EQ(csvRow(gap), "1969-12-31T23:59:59.999Z,0.000,,,0.000,,,,,0,\"Dämpfung \"\"x\"\", keine Zahl\",1,,\r\n");

    EXPECT_EQ(csvEventRow(1'796'828'220'123, 1'796'828'100'000, "measuring stopped"),
              "2026-12-09T14:57:00.123Z,120.123,,,,,,,,,measuring stopped,,,\r\n");

    EXPECT_EQ(csvHeaderRow(),
              "time_utc,elapsed_s,voltage_v,level_dbm,relative_db,power_w,rms_v,range,attenuator_db,lamp,note,"
              "average_count,frequency_hz,correction_db\r\n");
}

namespace {

// A reader as small as RFC 4180 allows, to hold the writer against: records of fields, a quoted
// field may hold commas, doubled quotes and line ends.
std::vector<std::vector<std::string>> readCsv(std::string_view text)
{
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string &field = records.back().back();
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field.push_back(text[++i]);
            else if (c == '"')
                quoted = false;
            else
                field.push_back(c);
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            records.back().emplace_back();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            records.emplace_back(1);
        } else {
            field.push_back(c);
        }
    }
    records.pop_back(); // after the last line end
    return records;
}

} // namespace

TEST(CsvLog, AnyNoteReadsBackAsItWasWritten)
{
    const std::string_view pieces[] = {",", "\"", "\r", "\n", "\r\n", " ", "a", "ä", "€", "—", "🙂", "\"\"", "#"};
    std::mt19937 random(20261210);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1), length(0, 12);
    for (int round = 0; round < 2000; ++round) {
        ReadingRecord record;
        record.timeUtcMs = 1'796'828'220'123 + round;
        record.levelDbm = -30.0 + round;
        for (std::size_t n = length(random); n > 0; --n)
            record.note += pieces[piece(random)];
        const std::string rows = csvRow(record) + csvEventRow(record.timeUtcMs, 0, record.note);
        const auto read = readCsv(rows);
        ASSERT_EQ(read.size(), 2u) << rows;
        for (const auto &fields : read) {
            ASSERT_EQ(fields.size(), 14u) << rows;
            EXPECT_EQ(fields[10], record.note) << rows;
            EXPECT_EQ(fields.front(), utcTimeText(record.timeUtcMs)) << rows;
        }
    }
}

TEST(CsvLog, PreambleKeepsEachValueOnItsCommentLineWithItsUnit)
{
    LogHeader header;
    header.programVersion = "1.0";
    header.startUtcMs = 1'796'907'731'000;
    header.utcOffsetSeconds = 3600;
    header.port = "Com 1";
    header.device = "/dev/ttyUSB0";
    header.range = 2;
    header.attenuator = "20\r\n,\"x";
    header.calibrationMinus10 = "1,54132";
    header.calibrationMinus50 = "0.77893";
    header.relativeMode = true;
    header.zeroReferenceDbm = -12.5;
    header.averageCount = 16;
    header.frequencyHz = 433.92e6;
    header.correctionTable = "/home/lab/cable.csv";
    header.correctionTableHash = "00ff00ff00ff00ff";
    const std::string preamble = "# program version: 1.0\r\n"
                                 "# started: 2026-12-10T14:02:11+01:00\r\n"
                                 "# port: Com 1\r\n"
                                 "# device: /dev/ttyUSB0\r\n"
                                 "# range: Mid\r\n"
                                 "# attenuator (dB): 20  ,'x\r\n"
                                 "# -10 dBm point (V): 1,54132\r\n"
                                 "# -50 dBm point (V): 0.77893\r\n"
                                 "# relative mode: on\r\n"
                                 "# zero reference (dBm): -12.500\r\n"
                                 "# averaging: 16 readings, in linear power\r\n"
                                 "# frequency (Hz): 433920000\r\n"
                                 "# correction table: /home/lab/cable.csv (00ff00ff00ff00ff)\r\n"
                                 "# resolution: elapsed_s 0.001 s, voltage_v 0.0000001 V, level_dbm and relative_db "
                                 "0.001 dB, power_w and rms_v 6 significant digits\r\n";
    EXPECT_EQ(csvPreamble(header), preamble);
    EXPECT_EQ(csvHead(header), preamble + csvHeaderRow());
}
