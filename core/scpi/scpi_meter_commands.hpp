#pragma once

#include "core/reading/reading_record.hpp"
#include "core/scpi/scpi_commands.hpp"
#include "core/scpi/scpi_meter.hpp"
#include "core/scpi/scpi_parser.hpp"
#include "core/scpi/scpi_status.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The meter's commands as data: each row names its header, who may run it, how many parameters
// it takes and the handler that carries it out. Who may run a command and how many parameters it
// takes are checked here once, in that order, before any handler runs; a handler only reads its
// parameters' values and does its work.
namespace merolan::scpi {

// Who may run a command.
enum class Access {
    // Reads the instrument, or sets what is the connection's own (its unit, its status registers).
    Read,
    // Asks the meter for a reading; every client may, the window's too.
    Trigger,
    // Changes the instrument's setup: refused with -221 while the window is in charge.
    Change,
};

// How many parameters a command takes.
struct ParameterCount {
    std::size_t least = 0;
    std::size_t most = 0;
};

// What a command waits for before the rest of its message runs.
enum class Awaited { Nothing, Level, TriggeredLevel, SelfTest, ZeroReference };

// One connection as its commands see it: what it keeps between messages, and what the message
// that runs has given so far.
struct ConnectionState {
    explicit ConnectionState(MeterShared &s) : shared(s) {}

    MeterShared &shared;
    StatusRegisters status;
    bool watts = false; // answers in W rather than dBm
    std::optional<ReadingRecord> latest;
    // The instrument's revision when `latest` came; none once this connection's trigger or unit
    // made it stale. A change of the setup, by anyone, moves the revision on.
    std::optional<std::uint64_t> latestRevision;
    bool triggered = false; // an INITiate waits for its reading

    std::vector<std::string> answers;
    Awaited awaited = Awaited::Nothing;
    bool triggersPoll = false;
    std::optional<bool> continuous;

    const InstrumentSetup &setup() const { return shared.instrument.setup(); }
    InstrumentSetup &change() { return shared.instrument.change(); }
    void fail(Error code, std::string_view detail = {}) { status.push(code, detail); }
    // Whether `latest` was read with the setup as it stands and nothing made it stale since.
    bool latestIsCurrent() const { return latest && latestRevision == shared.instrument.revision(); }
};

using CommandHandler = void (*)(ConnectionState &state, std::span<const Parameter> parameters);

struct CommandRow {
    std::string_view pattern; // as scpi_commands.hpp writes them
    Access access;
    ParameterCount parameters;
    CommandHandler handler;
};

// Every command the meter takes; the id a header finds in meterCommandTable() is its row's index.
std::span<const CommandRow> meterCommands();

// The table the parser reads headers with, built from meterCommands() on first use. A pattern it
// refuses is this program's own fault: the pattern goes to stderr and the program stops.
const CommandTable &meterCommandTable();

// Runs one command of a message, as its row says.
void runCommand(ConnectionState &state, const MessageUnit &unit);

// Ends the command that waits, with the reading it asked for.
void finishAwaited(ConnectionState &state, const ReadingRecord &reading);
// Ends it without a reading; `why` goes into the error queue.
void abandonAwaited(ConnectionState &state, std::string_view why);

} // namespace merolan::scpi
