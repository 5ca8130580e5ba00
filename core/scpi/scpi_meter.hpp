#pragma once

#include "core/instrument/instrument.hpp"
#include "core/reading/reading_record.hpp"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The meter as a SCPI instrument: what one client's messages do and answer. The transport
// (sockets, time-outs, polls) belongs to the server; this is plain logic over the state, and
// every step of it gives the server one Reply to act on.
namespace merolan::scpi {

// What every connection of one server shares.
struct MeterShared {
    Instrument &instrument;
    // Where the correction tables a client may choose by name are kept; clients never name a
    // path of the host.
    std::filesystem::path tablesFolder;
};

// The reading a message waits for before it goes on.
enum class ReadingWait {
    None,
    // One from a poll sent after now; while the session polls on its own, its next reading.
    NewPoll,
    // The one an INITiate asked for (FETCh? after INITiate), without a poll of its own.
    Triggered,
};

// What the server is to do after a message, or after a reading or a failed wait let one go on.
struct Reply {
    // Whole answer lines, each ending in LF; empty when the message answered nothing yet.
    std::string text;
    // Set when the message stopped at a query that waits; the connection takes no other message
    // until answerWait() or failWait() ends the wait.
    ReadingWait wait = ReadingWait::None;
    // INITiate asked for a reading that no query waits for yet: poll once.
    bool triggersPoll = false;
    // INITiate:CONTinuous or *RST: poll all the time (true) or no longer (false).
    std::optional<bool> continuous;

    bool operator==(const Reply &) const = default;
};

class MeterConnection
{
public:
    explicit MeterConnection(MeterShared &shared);
    ~MeterConnection();
    MeterConnection(const MeterConnection &) = delete;
    MeterConnection &operator=(const MeterConnection &) = delete;

    // Runs one message (a line without its terminator) up to its end, or up to the first query
    // that waits for a reading; the rest runs once the wait ends. Only one message at a time: a
    // message given while waits() is not run, and the Reply is empty.
    Reply takeMessage(std::string_view message);
    // A message outgrew the bound and was dropped.
    Reply takeOverrun();
    bool waits() const;

    // Every reading the session handled, kept for FETCh?.
    void readingHandled(const ReadingRecord &record);
    // The reading the waiting query asked for; the message goes on.
    Reply answerWait(const ReadingRecord &record);
    // The wait ended without a reading; `why` goes into the error queue and the message goes on.
    Reply failWait(std::string_view why);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace merolan::scpi
