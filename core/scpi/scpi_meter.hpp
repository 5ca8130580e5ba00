#pragma once

#include "core/instrument/instrument.hpp"
#include "core/reading/reading_record.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The meter as a SCPI instrument: what one client's messages do and answer. The transport
// (sockets, time-outs, polls) belongs to the server; this is plain logic over the state.
namespace merolan::scpi {

// What every connection of one server shares.
struct MeterShared {
    Instrument &instrument;
};

class MeterConnection
{
public:
    explicit MeterConnection(MeterShared &shared);
    ~MeterConnection();
    MeterConnection(const MeterConnection &) = delete;
    MeterConnection &operator=(const MeterConnection &) = delete;

    // Runs one message (a line without its terminator) up to its end, or up to the first query
    // that waits for a reading; the rest runs once the wait ends. Only one message at a time:
    // the caller holds back the next while waitsForReading().
    void takeMessage(std::string_view message);
    // A message outgrew the bound and was dropped.
    void takeOverrun();
    bool waitsForReading() const;
    // Whether the wait needs a poll sent after it began; FETCh? after INITiate takes the reading
    // that INITiate asked for instead.
    bool waitsForNewPoll() const;

    // Every reading the session handled, kept for FETCh?.
    void readingHandled(const ReadingRecord &record);
    // The reading the waiting query asked for; the message goes on.
    void answerWait(const ReadingRecord &record);
    // The wait ended without a reading; `why` goes into the error queue.
    void failWait(std::string_view why);

    // Whether the client asked for a reading without waiting for it (INITiate), once per asking.
    bool takeTriggerRequest();
    // Whether the client asked for continuous polling (INITiate:CONTinuous), once per change.
    std::optional<bool> takeContinuousRequest();
    // Whole answer lines (each ending in LF) of the messages finished so far.
    std::string takeOutput();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace merolan::scpi
