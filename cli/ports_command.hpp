#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace merolan {

// What the system tells about one serial port; an empty text is not known.
struct PortFacts {
    std::string device;           // what --port takes
    std::optional<int> comNumber; // the "Com N" of the windows' list; none past Com 9
    std::string description;
    std::string manufacturer;
    std::optional<std::uint16_t> vendorId; // USB
    std::optional<std::uint16_t> productId;
    std::string serialNumber;
};

// One line per port, in the order given; a line saying so when there is none.
std::string portListText(const std::vector<PortFacts> &ports);

// A JSON array with an object per port, in the order given; what is not known is null and the USB
// ids are four hex digits, as the text shows them.
std::string portListJson(const std::vector<PortFacts> &ports);

} // namespace merolan
