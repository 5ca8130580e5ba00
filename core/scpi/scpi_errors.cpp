#include "core/scpi/scpi_errors.hpp"

#include "core/scpi/scpi_values.hpp"

namespace merolan::scpi {
namespace {

// The longest error description a client has to take, detail included.
constexpr std::size_t kMaxDescription = 255;

// Printable ASCII is made at the answer; here the text is only kept within bounds.
std::string describe(Error code, std::string_view detail)
{
    std::string text(errorText(code));
    if (detail.empty())
        return text;
    text += "; ";
    text += detail.substr(0, kMaxDescription - text.size());
    return text;
}

} // namespace

ErrorClass errorClassOf(Error code)
{
    const int number = static_cast<int>(code);
    if (number == 0)
        return ErrorClass::None;
    if (number <= -100 && number > -200)
        return ErrorClass::Command;
    if (number <= -200 && number > -300)
        return ErrorClass::Execution;
    if (number <= -400 && number > -500)
        return ErrorClass::Query;
    return ErrorClass::DeviceSpecific;
}

std::string_view errorText(Error code)
{
    switch (code) {
    case Error::None:
        return "No error";
    case Error::Command:
        return "Command error";
    case Error::Syntax:
        return "Syntax error";
    case Error::InvalidSeparator:
        return "Invalid separator";
    case Error::DataType:
        return "Data type error";
    case Error::ParameterNotAllowed:
        return "Parameter not allowed";
    case Error::MissingParameter:
        return "Missing parameter";
    case Error::UndefinedHeader:
        return "Undefined header";
    case Error::SettingsConflict:
        return "Settings conflict";
    case Error::DataOutOfRange:
        return "Data out of range";
    case Error::IllegalParameterValue:
        return "Illegal parameter value";
    case Error::DataCorruptOrStale:
        return "Data corrupt or stale";
    case Error::DataQuestionable:
        return "Data questionable";
    case Error::HardwareMissing:
        return "Hardware missing";
    case Error::QueueOverflow:
        return "Queue overflow";
    case Error::InputBufferOverrun:
        return "Input buffer overrun";
    case Error::QueryInterrupted:
        return "Query INTERRUPTED";
    case Error::QueryUnterminated:
        return "Query UNTERMINATED";
    }
    switch (errorClassOf(code)) {
    case ErrorClass::None:
        return "No error";
    case ErrorClass::Command:
        return "Command error";
    case ErrorClass::Execution:
        return "Execution error";
    case ErrorClass::Query:
        return "Query error";
    case ErrorClass::DeviceSpecific:
        break;
    }
    return "Device-specific error";
}

void ErrorQueue::push(Error code, std::string_view detail)
{
    if (code == Error::None)
        return;
    if (entries_.size() < kCapacity) {
        entries_.push_back({code, describe(code, detail)});
        return;
    }
    if (entries_.back().code != Error::QueueOverflow)
        entries_.back() = {Error::QueueOverflow, describe(Error::QueueOverflow, {})};
}

std::string ErrorQueue::pop()
{
    if (entries_.empty())
        return nr1Text(0) + ',' + quotedText(errorText(Error::None));
    const Entry entry = std::move(entries_.front());
    entries_.pop_front();
    return nr1Text(static_cast<int>(entry.code)) + ',' + quotedText(entry.description);
}

} // namespace merolan::scpi
