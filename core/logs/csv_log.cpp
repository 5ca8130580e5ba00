#include "core/logs/csv_log.hpp"

#include "core/settings/calibration_rules.hpp"
#include "core/reading/conversion.hpp"
#include "core/settings/setting_value.hpp"
#include "core/base/version.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

namespace merolan {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::string_view rangeName(int range)
{
    constexpr std::string_view names[] = {"low", "mid", "high"};
    return range >= 1 && range <= 3 ? names[range - 1] : std::string_view{};
}

// A comment value is a single line whatever was typed. A quote becomes an apostrophe too: a
// reader that does not know comments would take a quote after a comma as the start of a quoted
// field and run on into the rows below.
std::string commentValue(std::string_view text)
{
    std::string out(text);
    for (char &c : out) {
        if (c == '\r' || c == '\n')
            c = ' ';
        else if (c == '"')
            c = '\'';
    }
    return out;
}

void appendComment(std::string &out, std::string_view label, std::string_view value)
{
    out.append("# ").append(label).append(": ").append(commentValue(value)).append(kLineEnd);
}

void appendField(std::string &out, std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(text);
        return;
    }
    out.push_back('"');
    for (char c : text) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

// A value rounded to nothing is "0", not "-0.000": no sign where the digits show no size.
std::string withoutNegativeZero(std::string text)
{
    if (!text.empty() && text[0] == '-' && text.find_first_of("123456789") == std::string::npos)
        text.erase(0, 1);
    return text;
}

std::string formatted(double value, std::chars_format format, int precision)
{
    if (!std::isfinite(value))
        return {};
    // std::to_chars ignores the C locale, which Qt sets from the user's.
    std::array<char, 400> buffer{}; // wide enough for any double in fixed notation
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, precision);
    if (ec != std::errc())
        return {};
    return withoutNegativeZero(std::string(buffer.data(), end));
}

void appendFixed(std::string &out, const std::optional<double> &value, int decimals)
{
    if (value)
        out.append(fixedNumber(*value, decimals));
}

void appendSignificant(std::string &out, const std::optional<double> &value)
{
    if (value)
        out.append(significantNumber(*value, kSignificantDigits));
}

// Writes at least `width` digits; `value` is never negative here.
void appendPadded(std::string &out, std::int64_t value, int width)
{
    std::array<char, 24> digits{};
    const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    const auto length = static_cast<int>(end - digits.data());
    if (length < width)
        out.append(static_cast<std::size_t>(width - length), '0');
    out.append(digits.data(), end);
}

} // namespace

// Days since 1970-01-01 to a date of the proleptic Gregorian calendar, by whole 400-year eras
// (146097 days each), so every day an int64 of milliseconds can name comes out right.
CivilDate civilFromDays(std::int64_t days)
{
    const std::int64_t z = days + 719468; // days since 0000-03-01
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const auto day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    const auto month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

std::string csvNumber(double value)
{
    if (!std::isfinite(value))
        return {};
    if (value == 0)
        return "0"; // not "-0"
    // std::to_chars ignores the C locale, which Qt sets from the user's.
    std::array<char, 32> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), end);
}

std::string fixedNumber(double value, int decimals)
{
    return formatted(value, std::chars_format::fixed, decimals);
}

std::string significantNumber(double value, int digits)
{
    return formatted(value, std::chars_format::general, digits);
}

namespace {

// "2026-12-09T14:57:00" and the milliseconds of that second.
std::int64_t appendDateTime(std::string &out, std::int64_t timeMs)
{
    constexpr std::int64_t msPerDay = 86'400'000;
    std::int64_t days = timeMs / msPerDay;
    std::int64_t msOfDay = timeMs % msPerDay;
    if (msOfDay < 0) {
        msOfDay += msPerDay;
        --days;
    }
    const CivilDate date = civilFromDays(days);

    // ISO 8601: four-digit years, and a sign with more digits only outside 0000..9999.
    if (date.year < 0)
        out.push_back('-');
    else if (date.year > 9999)
        out.push_back('+');
    appendPadded(out, date.year < 0 ? -date.year : date.year, 4);
    const std::pair<char, std::int64_t> parts[] = {
        {'-', date.month},          {'-', date.day}, {'T', msOfDay / 3'600'000}, {':', msOfDay / 60'000 % 60},
        {':', msOfDay / 1000 % 60},
    };
    for (auto [separator, part] : parts) {
        out.push_back(separator);
        appendPadded(out, part, 2);
    }
    return msOfDay % 1000;
}

} // namespace

std::string utcTimeText(std::int64_t timeUtcMs)
{
    std::string out;
    const std::int64_t ms = appendDateTime(out, timeUtcMs);
    out.push_back('.');
    appendPadded(out, ms, 3);
    out.push_back('Z');
    return out;
}

std::string localTimeText(std::int64_t timeUtcMs, int utcOffsetSeconds)
{
    // Offsets are whole minutes in every zone in use; seconds of historic ones are dropped.
    const std::int64_t offsetMinutes = utcOffsetSeconds / 60;
    const std::int64_t offsetMs = offsetMinutes * 60'000;
    constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max(),
                           least = std::numeric_limits<std::int64_t>::min();
    const std::int64_t local = offsetMs > 0 && timeUtcMs > most - offsetMs    ? most
                               : offsetMs < 0 && timeUtcMs < least - offsetMs ? least
                                                                              : timeUtcMs + offsetMs;
    std::string out;
    appendDateTime(out, local);
    out.push_back(offsetMinutes < 0 ? '-' : '+');
    const std::int64_t size = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    appendPadded(out, size / 60, 2);
    out.push_back(':');
    appendPadded(out, size % 60, 2);
    return out;
}

std::string csvPreamble(const LogHeader &header)
{
    constexpr std::string_view rangeTitles[] = {"Low", "Mid", "High"};
    const bool known = header.range >= 1 && header.range <= 3;
    std::string out;
    appendComment(out, "program version", header.programVersion);
    if (header.startUtcMs)
        appendComment(out, "started", localTimeText(*header.startUtcMs, header.utcOffsetSeconds));
    if (!header.port.empty()) // the command-line tool names only the device
        appendComment(out, "port", header.port);
    appendComment(out, "device", header.device);
    appendComment(out, "range", known ? rangeTitles[header.range - 1] : "none");
    appendComment(out, "attenuator (dB)", header.attenuator);
    appendComment(out, "-10 dBm point (V)", header.calibrationMinus10);
    appendComment(out, "-50 dBm point (V)", header.calibrationMinus50);
    appendComment(out, "relative mode", header.relativeMode ? "on" : "off");
    appendComment(out, "zero reference (dBm)", fixedNumber(header.zeroReferenceDbm, kLevelDecimals));
    appendComment(out, "averaging",
                  header.averageCount == 1 ? std::string("off")
                                           : std::to_string(header.averageCount) + " readings, in linear power");
    appendComment(out, "frequency (Hz)", header.frequencyHz ? csvNumber(*header.frequencyHz) : "not set");
    appendComment(out, "correction table",
                  header.correctionTable.empty() ? std::string("none")
                                                 : header.correctionTable + " (" + header.correctionTableHash + ")");
    appendComment(out, "resolution",
                  "elapsed_s 0.001 s, voltage_v 0.0000001 V, level_dbm and relative_db 0.001 dB, power_w and rms_v "
                  "6 significant digits");
    return out;
}

LogHeader logHeaderOf(const InstrumentSetup &setup, std::string port, std::string device)
{
    const MeterSettings &s = setup.settings;
    const char sep = setup.decimalSeparator;
    LogHeader header;
    header.programVersion = std::string(kProgramVersion);
    header.port = std::move(port);
    header.device = std::move(device);
    header.range = selectedRange(s, sep);
    header.attenuator = setup.attenuatorOn ? textForm(s.attenuatorDbm, sep) : "0";
    if (header.range != 0) {
        const auto index = 2 * static_cast<std::size_t>(header.range - 1);
        header.calibrationMinus10 = textForm(s.*kCalibrationPoints[index].field, sep);
        header.calibrationMinus50 = textForm(s.*kCalibrationPoints[index + 1].field, sep);
    }
    header.relativeMode = setup.relativeMode;
    header.zeroReferenceDbm = setup.zeroReferenceDbm;
    header.averageCount = setup.accuracy.averagedReadings();
    header.frequencyHz = setup.accuracy.frequencyHz;
    if (const SelectedTable *table = setup.accuracy.tableInForce(); table && setup.accuracy.frequencyHz) {
        header.correctionTable = table->name;
        header.correctionTableHash = table->hash;
    }
    return header;
}

std::string csvHeaderRow()
{
    return "time_utc,elapsed_s,voltage_v,level_dbm,relative_db,power_w,rms_v,range,attenuator_db,lamp,note,"
           "average_count,frequency_hz,correction_db\r\n";
}

std::string csvHead(const LogHeader &header)
{
    return csvPreamble(header) + csvHeaderRow();
}

namespace {

std::string rowOf(const ReadingRecord &record, double elapsedS)
{
    std::string out = utcTimeText(record.timeUtcMs);
    out.reserve(128 + record.note.size());
    out.push_back(',');
    out.append(fixedNumber(elapsedS, kElapsedDecimals));
    out.push_back(',');
    out.append(fixedNumber(record.voltageV, kVoltageDecimals));
    for (const std::optional<double> &level : {record.levelDbm, record.relativeDb}) {
        out.push_back(',');
        appendFixed(out, level, kLevelDecimals);
    }
    for (const std::optional<double> &value : {record.powerW, record.rmsV}) {
        out.push_back(',');
        appendSignificant(out, value);
    }
    out.push_back(',');
    out.append(rangeName(record.range));
    out.push_back(',');
    // As typed: a setting, not a measurement.
    if (record.attenuatorDb)
        out.append(csvNumber(*record.attenuatorDb));
    out.append(record.lampLit ? ",1," : ",0,");
    appendField(out, record.note);
    out.push_back(',');
    out.append(std::to_string(record.averageCount));
    out.push_back(',');
    if (record.frequencyHz)
        out.append(csvNumber(*record.frequencyHz));
    out.push_back(',');
    appendFixed(out, record.correctionDb, kLevelDecimals);
    out.append(kLineEnd);
    return out;
}

double secondsBetween(std::int64_t fromUtcMs, std::int64_t toUtcMs)
{
    return static_cast<double>(toUtcMs - fromUtcMs) / 1000.0;
}

} // namespace

std::string csvRow(const ReadingRecord &record)
{
    return rowOf(record, record.elapsedS);
}

std::string csvRow(const ReadingRecord &record, std::int64_t startUtcMs)
{
    return rowOf(record, secondsBetween(startUtcMs, record.timeUtcMs));
}

std::string csvEventRow(std::int64_t timeUtcMs, std::int64_t startUtcMs, std::string_view note)
{
    std::string out = utcTimeText(timeUtcMs);
    out.push_back(',');
    out.append(fixedNumber(secondsBetween(startUtcMs, timeUtcMs), kElapsedDecimals));
    out.append(",,,,,,,,,");
    appendField(out, note);
    out.append(",,,");
    out.append(kLineEnd);
    return out;
}

} // namespace merolan
