#pragma once

#include "core/scpi/scpi_errors.hpp"

#include <cstdint>
#include <string_view>

// One connection's status reporting as IEEE 488.2 keeps it: the error queue, the standard event
// status register with its enable mask, and the status byte that sums both up for *STB?.
namespace merolan::scpi {

// The event status bit an error sets: the one of its class, none for Error::None.
std::uint8_t eventBitOf(Error code);

struct StatusRegisters {
    ErrorQueue errors;
    std::uint8_t eventStatus = 0;
    std::uint8_t eventEnable = 0;   // *ESE
    std::uint8_t serviceEnable = 0; // *SRE

    // Queues the error and sets its event bit.
    void push(Error code, std::string_view detail = {});
    // *OPC: every command is done when the next one runs, so the operation is complete at once.
    void operationComplete();
    // *ESR?: the event register, cleared as it is read.
    std::uint8_t takeEventStatus();
    // *CLS: the queue and the event register emptied; the enable masks stay.
    void clear();
    // *STB?: errors waiting, an enabled event, and the service request they make when enabled.
    std::uint8_t statusByte() const;
};

} // namespace merolan::scpi
