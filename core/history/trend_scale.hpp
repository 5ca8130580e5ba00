#pragma once

#include <optional>

namespace merolan {

// The quantity a trend shows: the gauge's unit, or dB against the zero reference.
enum class TrendUnit { Dbm, RelativeDb, Watt, Volt };

// How the trend shows a level: its unit, and for dB relative the zero reference the levels are
// taken against, so every reading with a level has a relative value, whenever it was taken.
struct TrendScale {
    TrendUnit unit = TrendUnit::Dbm;
    double zeroReferenceDbm = 0;
};

// A level in dBm as the scale shows it, computed exactly as the reading chain computes it, so a
// chart and the readouts agree to the last bit. A result that is not a finite number is none.
std::optional<double> levelIn(double levelDbm, TrendScale scale);

// A non-finite number in a trend is kept as no number, so it can never reach a chart or a sum.
std::optional<double> finiteOrNone(double value);

} // namespace merolan
