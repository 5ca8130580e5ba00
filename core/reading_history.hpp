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

// The readings of the run, oldest first, in bounded memory: once full, each new record pushes
// out the oldest. A record is kept in 48 bytes (powers and voltages follow from the level, notes
// are stored once), so the default capacity of 24 hours at 10 readings per second needs about
// 41.5 MB when full. Records are expected in time order; one stamped earlier than its predecessor
// is kept at its predecessor's time, so searches by time stay valid.
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

// Statistics of the records from one index to the newest. Minimum, maximum and the standard
// deviation (of a sample) are taken of the values in the unit. The mean is the mean power shown
// in the unit: the mean of 0 dBm and -20 dBm is 0.505 mW, that is -2.97 dBm, not -10 dBm.
struct TrendStatistics {
    std::size_t count = 0;    // readings with a level
    std::size_t unusable = 0; // readings without one
    std::optional<double> current, minimum, maximum, mean, standardDeviation, peak;
    std::optional<double> readingsPerSecond; // all readings, over the time they span
};

TrendStatistics summarize(const ReadingHistory &history, TrendUnit unit, std::size_t fromIndex);

// The same statistics taken one reading at a time in constant memory, however long the run:
// count, unusable, minimum, maximum, mean and standard deviation (current, peak and rate are
// left to the caller).
class RunningStatistics
{
public:
    explicit RunningStatistics(TrendUnit unit) : unit_(unit) {}

    // One reading, given as the level its value comes from: dB against the zero reference for
    // RelativeDb, dBm for the other units. Absent counts as a reading without a level.
    void add(std::optional<double> level);
    TrendStatistics result() const;

private:
    TrendUnit unit_;
    std::size_t count_ = 0, unusable_ = 0;
    double mean_ = 0, squares_ = 0, meanPower_ = 0, minimum_ = 0, maximum_ = 0;
};

// One pixel column of a trend: the lowest and highest value of the readings that fall into it.
struct TrendColumn {
    int column = 0;
    double minimum = 0;
    double maximum = 0;
    bool afterGap = false; // readings without a level lie between the previous column and this one
};

// The columns with values of the span [fromMs, toMs) cut into `columns` equal slices, in order.
// Drawing these costs O(columns) however many readings the span holds.
std::vector<TrendColumn> decimate(const ReadingHistory &history, TrendUnit unit, std::int64_t fromMs, std::int64_t toMs,
                                  int columns);

} // namespace merolan
