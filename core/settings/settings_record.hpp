#pragma once

#include "core/base/failure.hpp"
#include "core/settings/meter_settings.hpp"

#include <array>
#include <cstdint>
#include <span>
#include <variant>

namespace merolan {

constexpr std::size_t kRecordLength = 128;
using SettingsRecord = std::array<std::uint8_t, kRecordLength>;

// Packs the nineteen fields from byte 0 on; the bytes after the last field are copied from
// `previous`, so a save keeps the padding the file had. Fails, naming the cause, when a text
// cannot be stored in Windows-1252 or the fields need more than 128 bytes.
std::variant<SettingsRecord, Failure> encodeSettingsRecord(const MeterSettings &settings, char decimalSeparator,
                                                           const SettingsRecord &previous = {});

// Unpacks the first 128 bytes; missing bytes read as zero, so an empty file gives the empty
// settings. Fails on an unknown kind tag, a field that runs past byte 127 or a double that is
// not a finite number.
std::variant<MeterSettings, Failure> decodeSettingsRecord(std::span<const std::uint8_t> bytes);

} // namespace merolan
