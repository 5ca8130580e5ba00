#pragma once

#include "core/history/reading_history.hpp"
#include "core/history/statistics_period.hpp"
#include "core/reading/reading_record.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace merolan::testing {

// A record with only what history, statistics and trend columns read from it.
inline ReadingRecord recordAt(std::int64_t timeMs, std::optional<double> levelDbm = {},
                              std::optional<double> relativeDb = {}, std::string note = {})
{
    ReadingRecord r;
    r.timeUtcMs = timeMs;
    r.levelDbm = levelDbm;
    r.relativeDb = relativeDb;
    r.note = std::move(note);
    return r;
}

// A history and the statistics period that follows it, fed together as the recorder feeds them.
struct RecordedRun {
    explicit RecordedRun(std::size_t capacity = ReadingHistory::kDefaultCapacity) : history(capacity) {}

    ReadingHistory history;
    StatisticsPeriod period;

    void append(const ReadingRecord &record)
    {
        history.append(record);
        period.add(history);
    }
};

} // namespace merolan::testing
