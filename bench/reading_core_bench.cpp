#include "core/instrument/instrument_setup.hpp"
#include "core/reading/chain_state.hpp"
#include "core/reading/conversion.hpp"
#include "core/reading/reading_chain.hpp"
#include "core/reading/readout_text.hpp"
#include "core/reading/scale_range.hpp"
#include "core/reading/wire_protocol.hpp"
#include "core/settings/calibration_rules.hpp"

#include <benchmark/benchmark.h>

#include <array>

using namespace merolan;

// The whole standard-library part of one reading: frame to voltage, line, levels, the four
// readout texts, the warning, the scale position and the update frame.
static void BM_ReadingCore(benchmark::State &bench)
{
    InstrumentSetup setup;
    setup.settings = factorySettings();
    setup.settings.attenuatorDbm = std::string("20"); // typed texts are the common case
    ChainState chain;
    std::array<std::uint8_t, 3> frame{0x39, 0xFA, 0x10};
    for (auto _ : bench) {
        frame[2] = static_cast<std::uint8_t>(frame[2] + 1);
        const auto reading = decodeReadingFrame(frame);
        computeCalibrationLine(chain, setup);
        const auto levels = std::get<Levels>(computeLevels(chain, setup, reading->detectorVoltage));
        const LampAction lamp = evaluateWarning(chain, setup, levels.detectorDbm);
        std::string dbm = formatDbmText(levels.levelDbm);
        std::string db = formatDbText(levels.levelDbm - setup.zeroReferenceDbm);
        std::string watt = formatWattText(levels.levelWatt);
        std::string volt = formatVoltText(levels.levelVolt);
        const double position = computeScalePosition(levels.levelDbm, GaugeUnit::Dbm, {"-10", "-50"}).value_or(0);
        const FrameBytes update = encodeCommandFrame(
            commandMode(setup.settings), positionToPwm(position, setup.settings.lowRefPwm, setup.settings.highRefPwm));
        benchmark::DoNotOptimize(lamp);
        benchmark::DoNotOptimize(dbm);
        benchmark::DoNotOptimize(db);
        benchmark::DoNotOptimize(watt);
        benchmark::DoNotOptimize(volt);
        benchmark::DoNotOptimize(update);
    }
    bench.SetItemsProcessed(bench.iterations());
}
BENCHMARK(BM_ReadingCore);

// The whole reading chain as the session runs it, without and with the accuracy setup at its
// heaviest: averaging over 1024 readings and a 2000-point correction table.
static void BM_ReadingChain(benchmark::State &bench)
{
    InstrumentSetup setup;
    setup.settings = factorySettings();
    ChainState chain;
    if (bench.range(0) != 0) {
        setup.accuracy.setAveraging(kMaxAverageCount);
        setup.accuracy.frequencyHz = 433.92e6;
        CorrectionTable table;
        for (int i = 1; i <= 2000; ++i)
            table.points.push_back({i * 1e6, 0.001 * i});
        setup.accuracy.setTable(SelectedTable{std::move(table), "table.csv", ""});
    }
    const ReadingInputs inputs = readingInputsOf(setup);
    double voltage = 1.13;
    for (auto _ : bench) {
        voltage = voltage > 1.2 ? 1.13 : voltage + 1e-5;
        ReadingOutcome out = processReading(chain, setup, voltage, inputs);
        benchmark::DoNotOptimize(out);
    }
    bench.SetItemsProcessed(bench.iterations());
}
BENCHMARK(BM_ReadingChain)->Arg(0)->Arg(1)->ArgName("accuracy");
