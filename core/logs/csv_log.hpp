#pragma once

#include "core/reading/reading_record.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace merolan {

// What a log says about its run before the first row.
struct LogHeader {
    std::string programVersion;
    std::optional<std::int64_t> startUtcMs;             // when the recording began; elapsed_s counts from it
    int utcOffsetSeconds = 0;                           // of the local time at the start, east of UTC
    std::string port;                                   // "Com 1"
    std::string device;                                 // "/dev/ttyUSB0"
    int range = 0;                                      // 1 Low, 2 Mid, 3 High
    std::string attenuator;                             // as the setting holds it
    std::string calibrationMinus10, calibrationMinus50; // the range's two points, as held
    bool relativeMode = false;
    double zeroReferenceDbm = 0;
    int averageCount = 1;
    std::optional<double> frequencyHz;
    std::string correctionTable; // the file; empty when none applies
    std::string correctionTableHash;
};

// The header of a run measured with `setup` on `port` ("Com 1") and `device`; the caller adds
// the start, whose local offset only it can know.
LogHeader logHeaderOf(const InstrumentSetup &setup, std::string port, std::string device);

// The digits each column carries: those the meter resolves, not the noise of a double. The
// converter steps by 5 V / 2^24 = 0.298 uV, so seven decimals keep every step apart and give its
// code back; the levels derived from it are given to a thousandth of a dB (0.023 % in power,
// far finer than any calibration), power and RMS voltage to as many significant digits.
inline constexpr int kElapsedDecimals = 3; // the clocks count milliseconds
inline constexpr int kVoltageDecimals = 7;
inline constexpr int kLevelDecimals = 3;
inline constexpr int kSignificantDigits = 6;

// The log is RFC 4180 CSV in UTF-8 with CRLF line ends and "." as the decimal point whatever the
// locale. "# " comment lines describe the run (csvPreamble), then comes the header row
// (csvHeaderRow):
//   time_utc,elapsed_s,voltage_v,level_dbm,relative_db,power_w,rms_v,range,attenuator_db,lamp,note,
//   average_count,frequency_hz,correction_db
std::string csvPreamble(const LogHeader &header);
std::string csvHeaderRow();
// Both: how every log and every export of the readings begins.
std::string csvHead(const LogHeader &header);
// One reading; an absent value is an empty field, `range` is low/mid/high, `lamp` is 1 or 0.
// elapsed_s as the record holds it, or counted from `startUtcMs`.
std::string csvRow(const ReadingRecord &record);
std::string csvRow(const ReadingRecord &record, std::int64_t startUtcMs);
// A row that is no reading, such as "measuring stopped": only the time, the elapsed time and
// the note, so that a reader sees why the readings pause instead of taking the gap for a level.
std::string csvEventRow(std::int64_t timeUtcMs, std::int64_t startUtcMs, std::string_view note);
// The date of a count of days since 1970-01-01 in the proleptic Gregorian calendar.
struct CivilDate {
    std::int64_t year;
    int month, day;
};
CivilDate civilFromDays(std::int64_t days);
// "2026-12-09T14:57:00.123Z"
std::string utcTimeText(std::int64_t timeUtcMs);
// "2026-12-10T14:02:11+01:00": the local time to the second, with its offset from UTC.
std::string localTimeText(std::int64_t timeUtcMs, int utcOffsetSeconds);
// The shortest text that reads back as the same double: for values typed, not measured.
std::string csvNumber(double value);
// A number to a fixed count of decimals ("-14.824"), or of significant digits ("9.99719e-07").
std::string fixedNumber(double value, int decimals);
std::string significantNumber(double value, int digits);

} // namespace merolan
