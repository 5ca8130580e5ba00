#include "core/app_state.hpp"
#include "core/conversion.hpp"
#include "core/readout_text.hpp"
#include "core/scale_range.hpp"
#include "core/wire_protocol.hpp"

#include <benchmark/benchmark.h>

#include <array>

using namespace merolan;

// The whole standard-library part of one reading: frame to voltage, line, levels, the four
// readout texts, the warning, the scale position and the update frame.
static void BM_ReadingCore(benchmark::State &bench)
{
    AppState state;
    state.settings = factorySettings();
    state.settings.attenuatorDbm = std::string("20"); // typed texts are the common case
    std::array<std::uint8_t, 3> frame{0x39, 0xFA, 0x10};
    for (auto _ : bench) {
        frame[2] = static_cast<std::uint8_t>(frame[2] + 1);
        const auto reading = decodeReadingFrame(frame);
        computeCalibrationLine(state);
        const auto levels = std::get<Levels>(computeLevels(state, reading->detectorVoltage));
        const LampAction lamp = evaluateWarning(state, levels.detectorDbm);
        std::string dbm = formatDbmText(levels.levelDbm);
        std::string db = formatDbText(levels.levelDbm - state.zeroReferenceDbm);
        std::string watt = formatWattText(levels.levelWatt);
        std::string volt = formatVoltText(levels.levelVolt);
        const double position = computeScalePosition(levels.levelDbm, GaugeUnit::Dbm, {"-10", "-50"}).value_or(0);
        const FrameBytes update = encodeCommandFrame(
            state.commandMode, positionToPwm(position, state.settings.lowRefPwm, state.settings.highRefPwm));
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
