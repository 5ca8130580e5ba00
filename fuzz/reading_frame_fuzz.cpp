#include "core/instrument/instrument_setup.hpp"
#include "core/reading/chain_state.hpp"
#include "core/reading/conversion.hpp"
#include "core/reading/readout_text.hpp"
#include "core/reading/wire_protocol.hpp"
#include "core/settings/calibration_rules.hpp"

#include <cmath>
#include <cstdlib>

using namespace merolan;

// Every read either is dropped or yields a voltage in 0..5 V whose whole conversion stays finite.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto reading = decodeReadingFrame(std::span<const std::uint8_t>(data, size));
    if (!reading)
        return 0;
    if (size != 3 || !(reading->detectorVoltage >= 0 && reading->detectorVoltage < 5) || reading->trace.size() != 8)
        std::abort();
    InstrumentSetup setup;
    setup.settings = factorySettings();
    ChainState chain;
    if (computeCalibrationLine(chain, setup))
        std::abort();
    const auto levels = computeLevels(chain, setup, reading->detectorVoltage);
    if (const auto *l = std::get_if<Levels>(&levels)) {
        if (!std::isfinite(l->levelDbm) || formatWattText(l->levelWatt).empty() || formatVoltText(l->levelVolt).empty())
            std::abort();
        evaluateWarning(chain, setup, l->detectorDbm);
        encodeCommandFrame(commandMode(setup.settings),
                           positionToPwm(5, setup.settings.lowRefPwm, setup.settings.highRefPwm));
    }
    return 0;
}
