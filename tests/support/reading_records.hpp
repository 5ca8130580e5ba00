#pragma once

#include "core/reading/reading_record.hpp"

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

} // namespace merolan::testing
