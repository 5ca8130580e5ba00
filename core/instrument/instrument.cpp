#include "core/instrument/instrument.hpp"

#include "core/settings/setting_value.hpp"

#include <utility>

namespace merolan {

InstrumentSetup setupFromSettings(const MeterSettings &settings, char decimalSeparator)
{
    InstrumentSetup setup;
    setup.settings = settings;
    setup.decimalSeparator = decimalSeparator;
    setup.attenuatorOn = numericValue(settings.attenuatorDbm, decimalSeparator) != 0.0;
    return setup;
}

Instrument::Instrument(InstrumentSetup start, Control control)
    : start_(start), setup_(std::move(start)), control_(control)
{
}

InstrumentSetup &Instrument::change()
{
    ++revision_;
    return setup_;
}

void Instrument::reset()
{
    ++revision_;
    setup_ = start_;
}

} // namespace merolan
