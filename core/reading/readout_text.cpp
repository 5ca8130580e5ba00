#include "core/reading/readout_text.hpp"

#include "core/base/text_format.hpp"

namespace merolan {
namespace {

// "-.4567" becomes "-0.45", " .4567" becomes "0.45": the point and at most two decimals.
std::string withZeroBeforePoint(const std::string &text)
{
    return (text[0] == '-' ? "-0" : "0") + text.substr(1, 3);
}

std::string scaled(double value, double factor, int decimals, const char *unit)
{
    return numberText(roundHalfEven(value * factor, decimals)) + unit;
}

} // namespace

std::string formatDbmText(double level)
{
    const std::string t = numberText(roundHalfEven(level, 5));
    if (t.size() > 1 && t[1] == '.')
        return withZeroBeforePoint(t) + " dBm";
    return numberText(roundHalfEven(level, 2)) + " dBm";
}

std::string formatDbText(double relativeDb)
{
    const std::string t = numberText(roundHalfEven(relativeDb, 2));
    if (t.size() > 1 && t[1] == '.')
        return withZeroBeforePoint(t) + " dB";
    return t + " dB";
}

std::string formatWattText(double w)
{
    if (w >= 1)
        return scaled(w, 1, 2, " W");
    if (w >= 0.1)
        return scaled(w, 1e3, 1, " mW");
    if (w >= 0.001)
        return scaled(w, 1e3, 2, " mW");
    if (w >= 0.000001)
        return scaled(w, 1e6, 2, " uW");
    if (w >= 1e-9)
        return scaled(w, 1e9, 2, " nW");
    return scaled(w, 1e12, 2, " pW");
}

std::string formatVoltText(double v)
{
    if (v >= 1)
        return scaled(v, 1, 2, " V");
    if (v >= 0.1)
        return scaled(v, 1e3, 1, " mV");
    if (v >= 0.001)
        return scaled(v, 1e3, 2, " mV");
    if (v >= 0.000001)
        return scaled(v, 1e6, 2, " uV");
    return scaled(v, 1e9, 2, " nV");
}

} // namespace merolan
