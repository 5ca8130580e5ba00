#include "core/scpi/scpi_status.hpp"

#include <utility>

namespace merolan::scpi {
namespace {

// Standard event status register bits.
constexpr std::uint8_t kOperationComplete = 0x01;
constexpr std::uint8_t kQueryError = 0x04;
constexpr std::uint8_t kDeviceError = 0x08;
constexpr std::uint8_t kExecutionError = 0x10;
constexpr std::uint8_t kCommandError = 0x20;
// Status byte bits.
constexpr std::uint8_t kErrorAvailable = 0x04;
constexpr std::uint8_t kEventSummary = 0x20;
constexpr std::uint8_t kServiceRequest = 0x40;

} // namespace

std::uint8_t eventBitOf(Error code)
{
    switch (errorClassOf(code)) {
    case ErrorClass::None:
        break;
    case ErrorClass::Command:
        return kCommandError;
    case ErrorClass::Execution:
        return kExecutionError;
    case ErrorClass::DeviceSpecific:
        return kDeviceError;
    case ErrorClass::Query:
        return kQueryError;
    }
    return 0;
}

void StatusRegisters::push(Error code, std::string_view detail)
{
    errors.push(code, detail);
    eventStatus |= eventBitOf(code);
}

void StatusRegisters::operationComplete()
{
    eventStatus |= kOperationComplete;
}

std::uint8_t StatusRegisters::takeEventStatus()
{
    return std::exchange(eventStatus, std::uint8_t{0});
}

void StatusRegisters::clear()
{
    errors.clear();
    eventStatus = 0;
}

std::uint8_t StatusRegisters::statusByte() const
{
    std::uint8_t status = 0;
    if (errors.count() > 0)
        status |= kErrorAvailable;
    if ((eventStatus & eventEnable) != 0)
        status |= kEventSummary;
    if ((status & serviceEnable) != 0)
        status |= kServiceRequest;
    return status;
}

} // namespace merolan::scpi
