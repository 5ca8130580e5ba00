#pragma once

#include <string>

namespace merolan {

// Texts of the large readouts. Levels between -1 and 1 dBm are cut (not rounded) to two
// decimals and get a zero before the point; the other texts keep the number-text form.
std::string formatDbmText(double level);
std::string formatDbText(double relativeDb);
std::string formatWattText(double levelWatt);
std::string formatVoltText(double levelVolt);

} // namespace merolan
