#include "core/settings/setting_value.hpp"

#include "core/base/text_format.hpp"

#include <cmath>

namespace merolan {
namespace {
template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;
} // namespace

std::string textForm(const SettingValue &value, char decimalSeparator)
{
    return std::visit(Overloaded{
                          [](std::monostate) { return std::string(); },
                          [](std::int16_t n) { return std::to_string(n); },
                          [&](double d) { return localeNumberText(d, decimalSeparator); },
                          [](const std::string &text) { return text; },
                      },
                      value);
}

std::optional<double> numericValue(const SettingValue &value, char decimalSeparator)
{
    return std::visit(Overloaded{
                          [](std::monostate) -> std::optional<double> { return 0.0; },
                          [](std::int16_t n) -> std::optional<double> { return n; },
                          [](double d) -> std::optional<double> {
                              if (!std::isfinite(d))
                                  return std::nullopt;
                              return d;
                          },
                          [&](const std::string &text) { return readLocaleNumber(text, decimalSeparator); },
                      },
                      value);
}

bool holdsNumber(const SettingValue &value, int n, char decimalSeparator)
{
    if (std::holds_alternative<std::monostate>(value))
        return false;
    const std::optional<double> number = numericValue(value, decimalSeparator);
    return number && *number == n;
}

} // namespace merolan
