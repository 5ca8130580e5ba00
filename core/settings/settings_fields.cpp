#include "core/settings/settings_fields.hpp"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>

namespace merolan {
namespace {

// A text typed into a box keeps its kind, so every text box must be a field that has one.
static_assert(std::ranges::all_of(kSettingFields, [](const SettingField &field) {
    return field.entry != FieldEntry::Text || std::holds_alternative<SettingValue MeterSettings::*>(field.member);
}));

struct WholeRange {
    int low;
    int high;
};

WholeRange rangeOf(FieldEntry entry)
{
    switch (entry) {
    case FieldEntry::Reference:
        return {0, 1023};
    case FieldEntry::Switch:
        return {-1, 0};
    case FieldEntry::Range:
    case FieldEntry::Unit:
        return {1, 3};
    case FieldEntry::Text:
        break;
    }
    return {0, -1};
}

// The whole text as a whole number: no blanks, no "+", no point, so what is stored is exactly
// what was typed.
std::optional<std::int16_t> wholeNumber(std::string_view typed, WholeRange range)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(typed.data(), typed.data() + typed.size(), value);
    if (ec != std::errc() || end != typed.data() + typed.size() || value < range.low || value > range.high)
        return std::nullopt;
    return static_cast<std::int16_t>(value);
}

} // namespace

const SettingField *findSettingField(std::string_view name)
{
    for (const SettingField &field : kSettingFields)
        if (field.name == name)
            return &field;
    return nullptr;
}

SettingValue fieldValue(const MeterSettings &settings, const SettingField &field)
{
    return std::visit([&](auto member) { return SettingValue(settings.*member); }, field.member);
}

std::string_view acceptedValues(FieldEntry entry)
{
    switch (entry) {
    case FieldEntry::Text:
        return "any text, stored as typed";
    case FieldEntry::Reference:
        return "a whole number from 0 to 1023";
    case FieldEntry::Switch:
        return "-1 (on) or 0 (off)";
    case FieldEntry::Range:
        return "1 (Low), 2 (Mid) or 3 (High)";
    case FieldEntry::Unit:
        return "1 (dBm), 2 (Watt) or 3 (Volt)";
    }
    return {};
}

std::variant<MeterSettings, Failure> withTypedValue(const MeterSettings &settings, const SettingField &field,
                                                    std::string_view typed)
{
    MeterSettings changed = settings;
    if (field.entry == FieldEntry::Text) {
        changed.*std::get<SettingValue MeterSettings::*>(field.member) = std::string(typed);
        return changed;
    }
    const std::optional<std::int16_t> number = wholeNumber(typed, rangeOf(field.entry));
    if (!number)
        return Failure{"The " + std::string(fieldLabel(field.name)) + " (" + std::string(field.name) + ") takes " +
                       std::string(acceptedValues(field.entry)) + "; \"" + std::string(typed) + "\" is not one."};
    std::visit([&](auto member) { changed.*member = *number; }, field.member);
    return changed;
}

} // namespace merolan
