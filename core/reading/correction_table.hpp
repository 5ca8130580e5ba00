#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// A correction over frequency: the losses and gains ahead of the detector (cable, coupler,
// attenuator) and the detector's own drift, as a table of points the level is corrected by.
namespace merolan {

inline constexpr std::size_t kMaxCorrectionPoints = 10'000;

struct CorrectionPoint {
    double frequencyHz = 0;
    double correctionDb = 0;
    bool operator==(const CorrectionPoint &) const = default;
};

// The points in rising frequency, no frequency twice, at least one.
struct CorrectionTable {
    std::vector<CorrectionPoint> points;
};

// Why a table file was refused: the line (1-based; 0 for the file as a whole) and what is wrong.
struct CorrectionTableProblem {
    std::size_t line = 0;
    std::string what;
};

// Reads "frequency_hz,correction_db" rows in any order; an optional header row of exactly those
// two names; lines starting with '#' and empty lines are skipped; "." or "," as the point (with
// ";" between the fields when "," is the point, as spreadsheets write them).
std::variant<CorrectionTable, CorrectionTableProblem> parseCorrectionTable(std::string_view text);

// The correction at a frequency: linear between the two nearest points; outside the table the
// nearest end point's, with `outside` set so the user can be told.
struct CorrectionAt {
    double db = 0;
    bool outside = false;
};
CorrectionAt correctionAt(const CorrectionTable &table, double frequencyHz);

// A frequency as typed: a number of Hz with an optional k, M or G (and an optional "Hz"),
// blanks allowed between: "2.4G", "433.92 MHz", "1e6". None unless it is above 0 and finite.
std::optional<double> parseFrequency(std::string_view text);

} // namespace merolan
