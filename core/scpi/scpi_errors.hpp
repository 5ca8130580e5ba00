#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

// The error numbers a remote client reads back, their standard texts, and the queue each
// connection keeps them in until SYSTem:ERRor? takes them.
namespace merolan::scpi {

// The standard numbers this instrument reports. The parser finds the syntax ones itself (-102,
// -103, -104, -113, and -222 for a number no double holds); the rest come from the command
// handlers (parameter count and values, the meter's state) and from the server (-363, -410, -420).
enum class Error : int {
    None = 0,
    Command = -100,
    Syntax = -102,
    InvalidSeparator = -103,
    DataType = -104,
    ParameterNotAllowed = -108,
    MissingParameter = -109,
    UndefinedHeader = -113,
    SettingsConflict = -221,
    DataOutOfRange = -222,
    IllegalParameterValue = -224,
    DataCorruptOrStale = -230,
    DataQuestionable = -231,
    HardwareMissing = -241,
    QueueOverflow = -350,
    InputBufferOverrun = -363,
    QueryInterrupted = -410,
    QueryUnterminated = -420,
};

// The standard's classes of error, one per hundred of the negative numbers; each class has its
// bit in the event status register and its text for numbers the list above does not name.
enum class ErrorClass {
    None,           // 0: no error
    Command,        // -1xx: the message breaks the grammar or names no command
    Execution,      // -2xx: the command was understood and cannot be carried out
    DeviceSpecific, // -3xx and the instrument's own (positive) numbers
    Query,          // -4xx: the exchange of questions and answers went wrong
};

ErrorClass errorClassOf(Error code);

// The standard text of a code ("Undefined header"). A number not named above gets the text of its
// hundred ("Execution error" for -2xx), so a handler may report any standard number.
std::string_view errorText(Error code);

// One connection's errors, oldest first, kept as SCPI instruments keep them: 30 deep; when full,
// the newest entry gives way to -350 "Queue overflow" and later errors are lost until one is read.
class ErrorQueue
{
public:
    static constexpr std::size_t kCapacity = 30;

    // Queues `code` (Error::None is not queued). A `detail` follows the standard text after "; "
    // and says what this instrument knows more ("the meter does not answer"); it is cut so the
    // text stays within 255 characters, and its bytes that are not printable ASCII answer as '?'.
    void push(Error code, std::string_view detail = {});

    // Takes the oldest error as the answer line to SYSTem:ERRor?, e.g.
    //   -241,"Hardware missing; the meter does not answer"
    // with quotes in the text doubled; an empty queue answers 0,"No error".
    std::string pop();

    std::size_t count() const { return entries_.size(); }
    void clear() { entries_.clear(); }

private:
    struct Entry {
        Error code;
        std::string description; // the standard text and any detail
    };
    std::deque<Entry> entries_;
};

} // namespace merolan::scpi
