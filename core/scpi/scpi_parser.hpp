#pragma once

#include "core/scpi/scpi_commands.hpp"
#include "core/scpi/scpi_errors.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reads one program message, the bytes of one line without its LF, into the commands it holds.
//
//   "MEAS?"   "*rst;:sens:corr:gain2 -3.5 DB;GAIN2?"   "INIT:CONT ON;*ESE 32"
//
// - Units are separated by ';' (one closing ';' is let pass) and each names a command: a header of
//   mnemonics separated by ':', an optional '?', then after blanks its parameters separated by ','.
//   Blanks (space, tab) may stand around units and parameters; a CR left at the end is dropped.
// - A header without a leading ':' continues the path of the compound header before it in the
//   message (that header without its last mnemonic): "SENS:CORR:GAIN2 3;GAIN2?" asks for
//   SENS:CORR:GAIN2?. A leading ':' starts again from the root. When the continued header names
//   no command it is tried from the root ("INIT:CONT ON;UNIT:POW W"). Common commands ("*ESE")
//   neither use nor change the path.
// - The parser only reads: how many parameters a command takes, of which kind, and which words
//   and unit suffixes it accepts, the command's handler checks (-108, -109, -104, -224 ...).
// - Like any SCPI instrument, this one stops a message at its first error: the units before it
//   are carried out, the rest are not even read.
// - Any bytes give a result, in time linear in their number.
namespace merolan::scpi {

enum class ParameterKind {
    Number, // decimal: 5, -3.5, +1.2E-3, .5, optionally followed by a unit suffix ("3 DB", "-30DBM")
    Word,   // character data: ON, OFF, DBM, MAX, DEF ...
    String, // '...' or "...", the quote doubled inside
};

struct Parameter {
    ParameterKind kind = ParameterKind::Number;
    double number = 0;  // a Number's value, always finite
    std::string suffix; // a Number's unit suffix, upper-case letters; empty when it has none
    std::string text;   // a Word in upper case, or a String's contents with its quotes undone
    bool operator==(const Parameter &) const = default;
};

struct MessageUnit {
    int command = 0;    // the id its header matched in the table
    bool query = false; // the header ended in '?'
    std::vector<Parameter> parameters;
    bool operator==(const MessageUnit &) const = default;
};

struct ParsedMessage {
    std::vector<MessageUnit> units; // in the order they are to be carried out
    // The error that ended the message early, queued after what the units themselves report:
    //   -102 a header or parameter that breaks the grammar, or an empty unit or parameter
    //   -103 something other than blanks, ',' or ';' after a header or a parameter
    //   -104 '#' data (non-decimal numbers, blocks), which no command here takes
    //   -113 a header no command in the table takes
    //   -222 a number no double holds (1E400, and 1E-400 as well)
    std::optional<Error> error;
};

ParsedMessage parseMessage(const CommandTable &commands, std::string_view message);

} // namespace merolan::scpi
