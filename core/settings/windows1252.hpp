#pragma once

#include <optional>
#include <string>
#include <string_view>

// Texts in the settings record are single bytes of Windows-1252 on every platform, so a file
// written on one system reads the same on another.
namespace merolan {

// UTF-8 to Windows-1252; no value when a character has no Windows-1252 byte (or the UTF-8 is broken).
std::optional<std::string> toWindows1252(std::string_view utf8);

// Windows-1252 to UTF-8; the five unassigned bytes map to the control characters of the same
// number, as Windows does, so every byte survives a round trip.
std::string fromWindows1252(std::string_view bytes);

} // namespace merolan
