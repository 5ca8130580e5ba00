#pragma once

#include "core/reading/reading_record.hpp"
#include "core/history/trend_scale.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace merolan {

// The readings of the run, oldest first, in bounded memory: once full, each new record pushes
// out the oldest. A record is kept in 48 bytes (powers and voltages follow from the level, notes
// are stored once) and 1.6 bytes of level summaries, so the default capacity of 24 hours at 10
// readings per second needs about 43 MB when full. Records are expected in time order; one
// stamped earlier than its predecessor is kept at its predecessor's time, so searches by time
// stay valid.
class ReadingHistory;

// The levels of a run of records: their extremes, and whether readings without a level lie
// before the first level or after the last (all of it, when there is no level).
struct LevelSummary {
    double lowestDbm = 0, highestDbm = 0;
    bool empty = true;
    bool hasLevel = false;
    bool gapBefore = false, gapAfter = false;

    void add(std::optional<double> levelDbm);
    void append(const LevelSummary &later);
};

// What the trend's cursor points at: the reading nearest in time, or a gap when none lies within
// `reachMs` of the pointer (the readings on either side, where there are any).
struct CursorPoint {
    std::optional<std::size_t> reading;
    std::optional<std::size_t> before, after; // of a gap
};
CursorPoint cursorAt(const ReadingHistory &history, std::int64_t timeMs, std::int64_t reachMs);

class ReadingHistory
{
public:
    static constexpr std::size_t kDefaultCapacity = 864'000;

    explicit ReadingHistory(std::size_t capacity = kDefaultCapacity);

    void append(const ReadingRecord &record);
    void clear();

    std::size_t size() const;
    std::size_t capacity() const;
    bool empty() const { return size() == 0; }
    ReadingRecord at(std::size_t index) const; // 0 is the oldest record kept
    std::int64_t timeAt(std::size_t index) const;
    std::optional<double> levelAt(std::size_t index) const; // in dBm
    std::optional<double> valueAt(std::size_t index, TrendScale scale) const;
    // The index of the first record stamped at or after `timeUtcMs`, from `from` on; size() when
    // there is none. Quickest when the answer lies close after `from`.
    std::size_t firstAtOrAfter(std::int64_t timeUtcMs, std::size_t from = 0) const;
    // The levels of the records [first, end), from precomputed summaries of blocks of records:
    // the work grows with the logarithm of the count, not the count.
    LevelSummary levelsBetween(std::size_t first, std::size_t end) const;

    // Records ever appended, those since pushed out or cleared included, so a count taken earlier
    // still finds its record while the record is kept: index 0 holds number appendedCount() - size().
    std::uint64_t appendedCount() const { return appended_; }

    // Bytes held by the records and their notes.
    std::size_t memoryBytes() const;

private:
    // Power and RMS voltage are rebuilt from the level, the elapsed time is kept to the
    // millisecond, and range, flags and note share one word.
    struct Stored {
        std::int64_t timeUtcMs;
        double voltageV;
        double levelDbm;
        double relativeDb;
        double attenuatorDb;
        std::uint64_t packed; // elapsed ms (40 bits), note index (16), range (2), flags (4)
    };
    static_assert(sizeof(Stored) == 48);

    void reserveAll();
    std::size_t physical(std::size_t index) const;
    void summarizeLevel(std::size_t position, std::optional<double> levelDbm);
    void foldLevels(std::size_t level, std::size_t from, std::size_t to, LevelSummary &into) const;
    std::uint16_t noteIndex(const std::string &note);
    std::string noteText(std::uint64_t index) const;

    std::size_t capacity_;
    std::vector<Stored> records_; // reserved once at full capacity, then a ring from head_
    std::size_t head_ = 0;
    // Notes 0 and 1 are the empty one and the one for texts no longer kept; the rest are held
    // twice, for lookup by index and by text, so a copied history owns all it refers to.
    std::vector<std::string> noteTexts_;
    std::unordered_map<std::string, std::uint16_t> noteIndexByText_;
    // Summaries of aligned blocks of stored positions, finest first. The block the ring is
    // overwriting holds old and new records at once; its summary covers only the new ones.
    static constexpr std::array<std::size_t, 3> kBlockSizes{16, 256, 4096};
    std::array<std::vector<LevelSummary>, kBlockSizes.size()> levels_;
    std::uint64_t appended_ = 0;
};

} // namespace merolan
