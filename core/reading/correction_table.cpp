#include "core/reading/correction_table.hpp"

#include "core/base/text_format.hpp"

#include <algorithm>
#include <cmath>

namespace merolan {
namespace {

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The two fields of a row: split at ';' when there is one, else at the one ','. A row with a
// decimal comma and a ',' between the fields cannot be told apart, and is refused as such.
std::optional<std::pair<std::string_view, std::string_view>> fieldsOf(std::string_view row)
{
    std::size_t split = row.find(';');
    if (split == std::string_view::npos) {
        split = row.find(',');
        if (split == std::string_view::npos || row.find(',', split + 1) != std::string_view::npos)
            return std::nullopt;
    } else if (row.find(';', split + 1) != std::string_view::npos) {
        return std::nullopt;
    }
    return std::pair{trimmed(row.substr(0, split)), trimmed(row.substr(split + 1))};
}

} // namespace

std::variant<CorrectionTable, CorrectionTableProblem> parseCorrectionTable(std::string_view text)
{
    CorrectionTable table;
    std::size_t lineNumber = 0;
    bool headerSeen = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;
        const auto fields = fieldsOf(line);
        if (!fields)
            return CorrectionTableProblem{lineNumber, "a row holds two fields, frequency_hz and correction_db"};
        if (!headerSeen && table.points.empty() && fields->first == "frequency_hz" &&
            fields->second == "correction_db") {
            headerSeen = true;
            continue;
        }
        const std::optional<double> frequency = readLocaleNumber(fields->first, ',');
        const std::optional<double> correction = readLocaleNumber(fields->second, ',');
        if (!frequency || !(*frequency > 0))
            return CorrectionTableProblem{lineNumber, "the frequency is not a number of Hz above 0"};
        if (!correction || std::abs(*correction) > 1000)
            return CorrectionTableProblem{lineNumber, "the correction is not a number of dB (-1000 to 1000)"};
        if (table.points.size() == kMaxCorrectionPoints)
            return CorrectionTableProblem{lineNumber, "a table holds at most 10000 points"};
        table.points.push_back({*frequency, *correction});
    }
    if (table.points.empty())
        return CorrectionTableProblem{0, "the table has no rows"};
    std::stable_sort(table.points.begin(), table.points.end(),
                     [](const CorrectionPoint &a, const CorrectionPoint &b) { return a.frequencyHz < b.frequencyHz; });
    const auto twice = std::adjacent_find(
        table.points.begin(), table.points.end(),
        [](const CorrectionPoint &a, const CorrectionPoint &b) { return a.frequencyHz == b.frequencyHz; });
    if (twice != table.points.end())
        return CorrectionTableProblem{0, "the frequency " + numberText(twice->frequencyHz).substr(1) +
                                             " Hz stands in the table twice"};
    return table;
}

CorrectionAt correctionAt(const CorrectionTable &table, double frequencyHz)
{
    const std::vector<CorrectionPoint> &points = table.points;
    if (points.empty())
        return {};
    if (frequencyHz <= points.front().frequencyHz)
        return {points.front().correctionDb, frequencyHz < points.front().frequencyHz};
    if (frequencyHz >= points.back().frequencyHz)
        return {points.back().correctionDb, frequencyHz > points.back().frequencyHz};
    const auto above = std::upper_bound(points.begin(), points.end(), frequencyHz,
                                        [](double f, const CorrectionPoint &p) { return f < p.frequencyHz; });
    const CorrectionPoint &high = *above;
    const CorrectionPoint &low = *(above - 1);
    const double t = (frequencyHz - low.frequencyHz) / (high.frequencyHz - low.frequencyHz);
    return {low.correctionDb + t * (high.correctionDb - low.correctionDb), false};
}

std::optional<double> parseFrequency(std::string_view text)
{
    text = trimmed(text);
    if (text.size() >= 2 && (text.substr(text.size() - 2) == "Hz" || text.substr(text.size() - 2) == "hz"))
        text = trimmed(text.substr(0, text.size() - 2));
    double multiplier = 1;
    if (!text.empty()) {
        switch (text.back()) {
        case 'k':
        case 'K':
            multiplier = 1e3;
            break;
        case 'M':
            multiplier = 1e6;
            break;
        case 'G':
        case 'g':
            multiplier = 1e9;
            break;
        default:
            break;
        }
        if (multiplier != 1)
            text = trimmed(text.substr(0, text.size() - 1));
    }
    const std::optional<double> value = readLocaleNumber(text, ',');
    if (!value || !(*value > 0) || !std::isfinite(*value * multiplier))
        return std::nullopt;
    return *value * multiplier;
}

} // namespace merolan
