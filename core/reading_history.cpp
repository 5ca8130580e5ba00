#include "core/reading_history.hpp"

#include "core/conversion.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace merolan {
namespace {

constexpr std::uint64_t kHasLevel = 1, kHasRelative = 2, kHasAttenuator = 4, kLampLit = 8;
constexpr int kRangeShift = 4, kNoteShift = 6, kElapsedShift = 22;
constexpr std::uint64_t kRangeMask = 0x3, kNoteMask = 0xFFFF;
constexpr std::uint64_t kMaxElapsedMs = (std::uint64_t{1} << 40) - 1; // about 34 years

// A run whose reasons keep changing (a text with a number in it, say) must not grow without
// bound; beyond this many, the record still says that there was a reason.
constexpr std::size_t kMaxNotes = 4096;
constexpr std::uint16_t kNoteNotKept = 1, kFirstNote = 2;
constexpr const char *kNoteNotKeptText = "reason not kept: this run has had too many different reasons";

// A non-finite number in a record is kept as no number, as everywhere in a trend.
std::optional<double> finite(const std::optional<double> &value)
{
    return value ? finiteOrNone(*value) : std::nullopt;
}

// The elapsed time to the millisecond; a negative or unreadable one counts as the start.
std::uint64_t elapsedMsOf(double elapsedS)
{
    const double ms = std::round(elapsedS * 1000.0);
    if (!(ms > 0))
        return 0;
    if (ms >= static_cast<double>(kMaxElapsedMs))
        return kMaxElapsedMs;
    return static_cast<std::uint64_t>(ms);
}

} // namespace

TrendUnit storedUnitOf(TrendUnit unit)
{
    return unit == TrendUnit::RelativeDb ? TrendUnit::RelativeDb : TrendUnit::Dbm;
}

std::optional<double> storedValueIn(double stored, TrendUnit unit)
{
    switch (unit) {
    case TrendUnit::Watt:
        return finiteOrNone(wattFromDbm(stored));
    case TrendUnit::Volt:
        return finiteOrNone(rmsVoltFromWatt(wattFromDbm(stored)));
    case TrendUnit::Dbm:
    case TrendUnit::RelativeDb:
        break;
    }
    return stored;
}

std::optional<double> finiteOrNone(double value)
{
    if (std::isfinite(value))
        return value;
    return std::nullopt;
}

ReadingHistory::ReadingHistory(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1))
{
    // Reserved once at full size: pages not yet written cost no memory, and the ring never
    // reallocates, so a full day's history stays at one known size.
    records_.reserve(capacity_);
}

void ReadingHistory::clear()
{
    records_.clear();
    head_ = 0;
    noteTexts_.clear();
    noteIndexByText_.clear();
    resetPeak();
}

std::size_t ReadingHistory::size() const
{
    return records_.size();
}

std::size_t ReadingHistory::capacity() const
{
    return capacity_;
}

std::size_t ReadingHistory::physical(std::size_t index) const
{
    const std::size_t p = head_ + index;
    return p >= records_.size() ? p - records_.size() : p;
}

std::uint16_t ReadingHistory::noteIndex(const std::string &note)
{
    if (note.empty())
        return 0;
    if (const auto it = noteIndexByText_.find(note); it != noteIndexByText_.end())
        return it->second;
    if (noteTexts_.size() >= kMaxNotes)
        return kNoteNotKept;
    const auto index = static_cast<std::uint16_t>(kFirstNote + noteTexts_.size());
    noteTexts_.push_back(note);
    noteIndexByText_.emplace(note, index);
    return index;
}

std::string ReadingHistory::noteText(std::uint64_t index) const
{
    if (index == 0)
        return {};
    if (index == kNoteNotKept)
        return kNoteNotKeptText;
    return noteTexts_[index - kFirstNote];
}

void ReadingHistory::append(const ReadingRecord &record)
{
    // A copied history holds only what its source held; the first append restores the full
    // reservation so the ring still never grows step by step.
    if (records_.capacity() < capacity_)
        records_.reserve(capacity_);
    if (records_.empty())
        head_ = 0; // also after a move took the records away

    Stored s{};
    s.timeUtcMs = record.timeUtcMs;
    if (!records_.empty())
        s.timeUtcMs = std::max(s.timeUtcMs, timeAt(records_.size() - 1));
    s.voltageV = record.voltageV;
    std::uint64_t flags = record.lampLit ? kLampLit : 0;
    if (const auto level = finite(record.levelDbm)) {
        s.levelDbm = *level;
        flags |= kHasLevel;
        peakDbm_ = std::max(peakDbm_.value_or(*level), *level);
    }
    if (const auto relative = finite(record.relativeDb)) {
        s.relativeDb = *relative;
        flags |= kHasRelative;
        peakRelativeDb_ = std::max(peakRelativeDb_.value_or(*relative), *relative);
    }
    if (const auto attenuator = finite(record.attenuatorDb)) {
        s.attenuatorDb = *attenuator;
        flags |= kHasAttenuator;
    }
    // Ranges other than Low, Mid and High are kept as none, as the log writes them anyway.
    const auto range = record.range >= 1 && record.range <= 3 ? static_cast<std::uint64_t>(record.range) : 0;
    s.packed = flags | range << kRangeShift | std::uint64_t{noteIndex(record.note)} << kNoteShift |
               elapsedMsOf(record.elapsedS) << kElapsedShift;

    if (records_.size() < capacity_) {
        records_.push_back(s);
        return;
    }
    records_[head_] = s;
    head_ = head_ + 1 == capacity_ ? 0 : head_ + 1;
}

ReadingRecord ReadingHistory::at(std::size_t index) const
{
    const Stored &s = records_[physical(index)];
    ReadingRecord r;
    r.timeUtcMs = s.timeUtcMs;
    r.elapsedS = static_cast<double>(s.packed >> kElapsedShift) / 1000.0;
    r.voltageV = s.voltageV;
    if (s.packed & kHasLevel) {
        r.levelDbm = s.levelDbm;
        r.powerW = storedValueIn(s.levelDbm, TrendUnit::Watt);
        r.rmsV = storedValueIn(s.levelDbm, TrendUnit::Volt);
    }
    if (s.packed & kHasRelative)
        r.relativeDb = s.relativeDb;
    r.range = static_cast<int>(s.packed >> kRangeShift & kRangeMask);
    if (s.packed & kHasAttenuator)
        r.attenuatorDb = s.attenuatorDb;
    r.lampLit = (s.packed & kLampLit) != 0;
    r.note = noteText(s.packed >> kNoteShift & kNoteMask);
    return r;
}

std::int64_t ReadingHistory::timeAt(std::size_t index) const
{
    return records_[physical(index)].timeUtcMs;
}

std::optional<double> ReadingHistory::valueAt(std::size_t index, TrendUnit unit) const
{
    const Stored &s = records_[physical(index)];
    if (unit == TrendUnit::RelativeDb)
        return s.packed & kHasRelative ? std::optional(s.relativeDb) : std::nullopt;
    return s.packed & kHasLevel ? storedValueIn(s.levelDbm, unit) : std::nullopt;
}

std::size_t ReadingHistory::firstAtOrAfter(std::int64_t timeUtcMs) const
{
    // Stored times never decrease, so the ring in logical order is sorted.
    std::size_t low = 0, high = size();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (timeAt(mid) < timeUtcMs)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

std::optional<double> ReadingHistory::peak(TrendUnit unit) const
{
    if (unit == TrendUnit::RelativeDb)
        return peakRelativeDb_;
    return peakDbm_ ? storedValueIn(*peakDbm_, unit) : std::nullopt;
}

void ReadingHistory::resetPeak()
{
    peakDbm_.reset();
    peakRelativeDb_.reset();
}

std::size_t ReadingHistory::memoryBytes() const
{
    // The notes are an estimate: each text twice, on the heap once it outgrows the string's own
    // buffer, plus a map node (link and hash beside the pair) and a bucket.
    const std::size_t inlineCapacity = std::string().capacity();
    const auto heap = [&](const std::string &text) {
        return text.capacity() > inlineCapacity ? text.capacity() + 1 : 0;
    };
    std::size_t notes = noteTexts_.capacity() * sizeof(std::string) + noteIndexByText_.bucket_count() * sizeof(void *);
    for (const auto &[text, index] : noteIndexByText_)
        notes += sizeof(std::pair<const std::string, std::uint16_t>) + 2 * sizeof(void *) + 2 * heap(text);
    return records_.capacity() * sizeof(Stored) + notes;
}

CursorPoint cursorAt(const ReadingHistory &history, std::int64_t timeMs, std::int64_t reachMs)
{
    const std::size_t after = history.firstAtOrAfter(timeMs);
    CursorPoint point;
    if (after > 0)
        point.before = after - 1;
    if (after < history.size())
        point.after = after;
    const auto distance = [&](std::size_t index) {
        const std::int64_t d = history.timeAt(index) - timeMs;
        return d < 0 ? -d : d;
    };
    std::optional<std::size_t> nearest = point.before;
    if (point.after && (!nearest || distance(*point.after) < distance(*nearest)))
        nearest = point.after;
    if (nearest && distance(*nearest) <= reachMs)
        return {nearest, std::nullopt, std::nullopt};
    return point;
}

} // namespace merolan
