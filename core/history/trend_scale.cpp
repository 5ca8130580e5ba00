#include "core/history/trend_scale.hpp"

#include "core/reading/conversion.hpp"

#include <cmath>

namespace merolan {

std::optional<double> levelIn(double levelDbm, TrendScale scale)
{
    switch (scale.unit) {
    case TrendUnit::Watt:
        return finiteOrNone(wattFromDbm(levelDbm));
    case TrendUnit::Volt:
        return finiteOrNone(rmsVoltFromWatt(wattFromDbm(levelDbm)));
    case TrendUnit::RelativeDb:
        return finiteOrNone(levelDbm - scale.zeroReferenceDbm);
    case TrendUnit::Dbm:
        break;
    }
    return finiteOrNone(levelDbm);
}

std::optional<double> finiteOrNone(double value)
{
    if (std::isfinite(value))
        return value;
    return std::nullopt;
}

} // namespace merolan
