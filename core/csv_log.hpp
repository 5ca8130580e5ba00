#pragma once

#include "core/reading_record.hpp"

#include <cstdint>
#include <string>

namespace merolan {

// What a log says about its run before the first row.
struct LogHeader {
    std::string programVersion;
    std::string port;                                   // "Com 1"
    std::string device;                                 // "/dev/ttyUSB0"
    int range = 0;                                      // 1 Low, 2 Mid, 3 High
    std::string attenuator;                             // as the setting holds it
    std::string calibrationMinus10, calibrationMinus50; // the range's two points, as held
    bool relativeMode = false;
    double zeroReferenceDbm = 0;
};

// The header of a run measured with `state` on `port` ("Com 1") and `device`.
LogHeader logHeaderOf(const AppState &state, std::string port, std::string device);

// The log is RFC 4180 CSV in UTF-8 with CRLF line ends and "." as the decimal point whatever the
// locale; numbers carry every digit needed to read back the same double. "# " comment lines
// describe the run (csvPreamble), then comes the header row (csvHeaderRow):
//   time_utc,elapsed_s,voltage_v,level_dbm,relative_db,power_w,rms_v,range,attenuator_db,lamp,note
std::string csvPreamble(const LogHeader &header);
std::string csvHeaderRow();
// One reading; an absent value is an empty field, `range` is low/mid/high, `lamp` is 1 or 0.
std::string csvRow(const ReadingRecord &record);
// "2026-12-09T14:57:00.123Z"
std::string utcTimeText(std::int64_t timeUtcMs);
// A number as the log writes it: the shortest text that reads back as the same double.
std::string csvNumber(double value);

} // namespace merolan
