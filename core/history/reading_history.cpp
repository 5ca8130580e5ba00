#include "core/history/reading_history.hpp"

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

void LevelSummary::add(std::optional<double> levelDbm)
{
    LevelSummary one;
    one.empty = false;
    if (levelDbm) {
        one.hasLevel = true;
        one.lowestDbm = one.highestDbm = *levelDbm;
    } else {
        one.gapBefore = one.gapAfter = true;
    }
    append(one);
}

void LevelSummary::append(const LevelSummary &later)
{
    if (later.empty)
        return;
    if (empty) {
        *this = later;
        return;
    }
    if (later.hasLevel) {
        lowestDbm = hasLevel ? std::min(lowestDbm, later.lowestDbm) : later.lowestDbm;
        highestDbm = hasLevel ? std::max(highestDbm, later.highestDbm) : later.highestDbm;
        // Readings without a level here come before the later part's first level.
        gapBefore = hasLevel ? gapBefore : true;
        gapAfter = later.gapAfter;
        hasLevel = true;
    } else {
        gapAfter = true;
    }
}

ReadingHistory::ReadingHistory(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1))
{
    // Reserved once at full size: pages not yet written cost no memory, and the ring never
    // reallocates, so a full day's history stays at one known size.
    reserveAll();
}

void ReadingHistory::reserveAll()
{
    records_.reserve(capacity_);
    for (std::size_t level = 0; level < kBlockSizes.size(); ++level)
        levels_[level].reserve((capacity_ + kBlockSizes[level] - 1) / kBlockSizes[level]);
}

void ReadingHistory::clear()
{
    records_.clear();
    head_ = 0;
    noteTexts_.clear();
    noteIndexByText_.clear();
    for (auto &summaries : levels_)
        summaries.clear();
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
        reserveAll();
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
    }
    if (const auto relative = finite(record.relativeDb)) {
        s.relativeDb = *relative;
        flags |= kHasRelative;
    }
    if (const auto attenuator = finite(record.attenuatorDb)) {
        s.attenuatorDb = *attenuator;
        flags |= kHasAttenuator;
    }
    // Ranges other than Low, Mid and High are kept as none, as the log writes them anyway.
    const auto range = record.range >= 1 && record.range <= 3 ? static_cast<std::uint64_t>(record.range) : 0;
    s.packed = flags | range << kRangeShift | std::uint64_t{noteIndex(record.note)} << kNoteShift |
               elapsedMsOf(record.elapsedS) << kElapsedShift;

    const std::optional<double> level = flags & kHasLevel ? std::optional(s.levelDbm) : std::nullopt;
    ++appended_;
    if (records_.size() < capacity_) {
        summarizeLevel(records_.size(), level);
        records_.push_back(s);
        return;
    }
    summarizeLevel(head_, level);
    records_[head_] = s;
    head_ = head_ + 1 == capacity_ ? 0 : head_ + 1;
}

void ReadingHistory::summarizeLevel(std::size_t position, std::optional<double> levelDbm)
{
    for (std::size_t level = 0; level < kBlockSizes.size(); ++level) {
        std::vector<LevelSummary> &summaries = levels_[level];
        const std::size_t block = position / kBlockSizes[level];
        // A block starts afresh when its first position is written, on every lap of the ring.
        if (position % kBlockSizes[level] == 0) {
            if (block == summaries.size())
                summaries.emplace_back();
            else
                summaries[block] = {};
        }
        summaries[block].add(levelDbm);
    }
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
        r.powerW = levelIn(s.levelDbm, {TrendUnit::Watt});
        r.rmsV = levelIn(s.levelDbm, {TrendUnit::Volt});
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

std::optional<double> ReadingHistory::levelAt(std::size_t index) const
{
    const Stored &s = records_[physical(index)];
    return s.packed & kHasLevel ? std::optional(s.levelDbm) : std::nullopt;
}

std::optional<double> ReadingHistory::valueAt(std::size_t index, TrendScale scale) const
{
    const std::optional<double> level = levelAt(index);
    return level ? levelIn(*level, scale) : std::nullopt;
}

std::size_t ReadingHistory::firstAtOrAfter(std::int64_t timeUtcMs, std::size_t from) const
{
    // Stored times never decrease, so the ring in logical order is sorted. The search gallops
    // out from `from` before it halves: one that ends near where it starts touches little memory.
    const std::size_t end = size();
    if (from >= end || timeAt(from) >= timeUtcMs)
        return std::min(from, end);
    std::size_t low = from + 1, high = low; // every record before `low` is earlier
    for (std::size_t step = 1; high < end && timeAt(high) < timeUtcMs; step *= 2) {
        low = high + 1;
        high = from + 2 * step;
    }
    high = std::min(high, end);
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (timeAt(mid) < timeUtcMs)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

LevelSummary ReadingHistory::levelsBetween(std::size_t first, std::size_t end) const
{
    LevelSummary summary;
    end = std::min(end, size());
    if (first >= end)
        return summary;
    // In stored positions the records run to the end of the ring and on from its start.
    const std::size_t from = physical(first), count = end - first;
    const std::size_t toEnd = std::min(count, records_.size() - from);
    foldLevels(kBlockSizes.size(), from, from + toEnd, summary);
    foldLevels(kBlockSizes.size(), 0, count - toEnd, summary);
    return summary;
}

// Folds the stored positions [from, to) into `into`, taking whole blocks of `level` (one past
// the finest: single records) from their summaries and the rest from finer levels.
void ReadingHistory::foldLevels(std::size_t level, std::size_t from, std::size_t to, LevelSummary &into) const
{
    if (level == 0) {
        for (std::size_t p = from; p < to; ++p)
            into.add(records_[p].packed & kHasLevel ? std::optional(records_[p].levelDbm) : std::nullopt);
        return;
    }
    const std::size_t size = kBlockSizes[level - 1];
    const bool wrapped = records_.size() == capacity_;
    for (std::size_t p = from; p < to;) {
        const std::size_t blockEnd = (p / size + 1) * size;
        const bool overwriting = wrapped && head_ > p && head_ < blockEnd;
        if (p % size == 0 && blockEnd <= to && !overwriting) {
            into.append(levels_[level - 1][p / size]);
            p = blockEnd;
        } else {
            const std::size_t end = std::min(to, blockEnd);
            foldLevels(level - 1, p, end, into);
            p = end;
        }
    }
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
    std::size_t summaries = 0;
    for (const auto &level : levels_)
        summaries += level.capacity() * sizeof(LevelSummary);
    return records_.capacity() * sizeof(Stored) + summaries + notes;
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
