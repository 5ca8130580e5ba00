#include "core/reading/reading_record.hpp"

#include "core/reading/conversion.hpp"
#include "core/settings/setting_value.hpp"

namespace merolan {

ReadingRecord recordOf(const InstrumentSetup &setup, const ChainState &chain, double voltage,
                       const ReadingOutcome &outcome, std::int64_t timeUtcMs, double elapsedS)
{
    ReadingRecord record;
    record.timeUtcMs = timeUtcMs;
    record.elapsedS = elapsedS;
    record.voltageV = voltage;
    if (outcome.levels) {
        record.levelDbm = outcome.levels->levelDbm;
        record.powerW = outcome.levels->levelWatt;
        record.rmsV = outcome.levels->levelVolt;
        record.relativeDb = outcome.relativeDb;
    } else {
        record.note = outcome.problem.value_or(std::string());
    }
    record.range = selectedRange(setup.settings, setup.decimalSeparator);
    record.attenuatorDb = setup.attenuatorOn ? numericValue(setup.settings.attenuatorDbm, setup.decimalSeparator) : 0.0;
    record.lampLit = chain.lampLit;
    record.averageCount = setup.accuracy.averagedReadings();
    record.frequencyHz = setup.accuracy.frequencyHz;
    record.correctionDb = outcome.correctionDb;
    return record;
}

} // namespace merolan
