#pragma once

#include "core/reading/reading_record.hpp"

#include <string>
#include <string_view>

// A reading per line for the command-line tool, besides the CSV row of the log (csvRow): JSON
// lines for programs, and a line of readouts for people at a terminal.
namespace merolan {

// {"time_utc":"…","elapsed_s":…,…} with the log's column names; absent values are null. Ends in "\n".
std::string jsonlRow(const ReadingRecord &record);

// "2026-12-09T15:02:11.348Z   -30 dBm   1 uW   7.07 mV", or the reason where there is no level;
// the level is in dB against the zero reference when `relative`. Ends in "\n".
std::string textRow(const ReadingRecord &record, bool relative);

// A JSON string literal, quotes included; C0 and C1 control characters are escaped, UTF-8 passes.
std::string jsonString(std::string_view text);

} // namespace merolan
