#pragma once

#include "core/reading_record.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace merolan {

// The quantity a trend shows: the gauge's unit, or dB against the zero reference.
enum class TrendUnit { Dbm, RelativeDb, Watt, Volt };

// The history keeps two quantities of a reading, its level and its value against the zero
// reference; watts and volts follow from the level. The stored quantity a unit is drawn from:
// RelativeDb for itself, Dbm for the others.
TrendUnit storedUnitOf(TrendUnit unit);

// A stored value of storedUnitOf(unit) in the unit, computed exactly as the reading chain
// computes it, so a chart and the readouts agree to the last bit. A level in dBm and a relative
// value pass as they are; a power or voltage that is not a finite number is none.
std::optional<double> storedValueIn(double stored, TrendUnit unit);

// A non-finite number in a trend is kept as no number, so it can never reach a chart or a sum.
std::optional<double> finiteOrNone(double value);

// The readings of the run, oldest first, in bounded memory: once full, each new record pushes
// out the oldest. A record is kept in 48 bytes (powers and voltages follow from the level, notes
// are stored once), so the default capacity of 24 hours at 10 readings per second needs about
// 41.5 MB when full. Records are expected in time order; one stamped earlier than its predecessor
// is kept at its predecessor's time, so searches by time stay valid.
class ReadingHistory;

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
    void clear(); // the records and the peak hold

    std::size_t size() const;
    std::size_t capacity() const;
    bool empty() const { return size() == 0; }
    ReadingRecord at(std::size_t index) const; // 0 is the oldest record kept
    std::int64_t timeAt(std::size_t index) const;
    std::optional<double> valueAt(std::size_t index, TrendUnit unit) const;
    // The index of the first record stamped at or after `timeUtcMs`; size() when there is none.
    std::size_t firstAtOrAfter(std::int64_t timeUtcMs) const;

    // Peak hold: the highest level since the last reset, records pushed out included.
    std::optional<double> peak(TrendUnit unit) const;
    void resetPeak();

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

    std::size_t physical(std::size_t index) const;
    std::uint16_t noteIndex(const std::string &note);
    std::string noteText(std::uint64_t index) const;

    std::size_t capacity_;
    std::vector<Stored> records_; // reserved once at full capacity, then a ring from head_
    std::size_t head_ = 0;
    // Notes 0 and 1 are the empty one and the one for texts no longer kept; the rest are held
    // twice, for lookup by index and by text, so a copied history owns all it refers to.
    std::vector<std::string> noteTexts_;
    std::unordered_map<std::string, std::uint16_t> noteIndexByText_;
    std::optional<double> peakDbm_, peakRelativeDb_;
};

} // namespace merolan
