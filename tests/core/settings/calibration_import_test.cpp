#include "core/settings/calibration_import.hpp"

#include "core/reading/conversion.hpp"

#include "core/settings/settings_file.hpp"
#include "tests/support/temporary_folder.hpp"

#include "tests/support/chain_under_test.hpp"

#include <gtest/gtest.h>

using namespace merolan;
namespace fs = std::filesystem;

TEST(CalibrationImport, OnlyAPlausibleRecordReplacesTheSettings)
{
    TemporaryFolder dir;
    const fs::path file = dir.path() / "preset.dat";
    const auto withFactory = [](auto change) {
        MeterSettings s = factorySettings();
        change(s);
        return s;
    };
    struct Case {
        const char *name;
        MeterSettings stored;
        std::size_t keptBytes; // the file is cut to this length
        const char *why;
    };
    const Case cases[] = {
        {"short", factorySettings(), 8, "it holds 8 bytes, and a calibration record takes 128"},
        {"low ref", withFactory([](MeterSettings &s) { s.lowRefPwm = -1; }), 128,
         "panel meter low reference is -1, outside 0 to 1023"},
        {"high ref", withFactory([](MeterSettings &s) { s.highRefPwm = 1024; }), 128, "high reference is 1024"},
        {"empty point", withFactory([](MeterSettings &s) { s.calMidMinus50 = std::monostate{}; }), 128,
         "Mid -50 dBm calibration point holds no number"},
        {"text point", withFactory([](MeterSettings &s) { s.calHighMinus10 = std::string("abc"); }), 128,
         "High -10 dBm calibration point holds no number"},
    };
    for (const Case &c : cases) {
        fs::remove(file);
        ASSERT_FALSE(saveSettings(file, c.stored, '.')) << c.name;
        fs::resize_file(file, c.keptBytes);
        MeterSettings settings = factorySettings();
        settings.attenuatorDbm = std::string("6");
        const MeterSettings before = settings;
        const std::optional<Failure> failure = importCalibrationFile(file, settings, '.');
        ASSERT_TRUE(failure) << c.name;
        EXPECT_NE(failure->message.find(file.string()), std::string::npos) << failure->message;
        EXPECT_NE(failure->message.find(c.why), std::string::npos) << failure->message;
        EXPECT_EQ(settings, before) << c.name;
    }

    MeterSettings preset = factorySettings();
    preset.calLowMinus10 = std::string("1.6");
    fs::remove(file);
    ASSERT_FALSE(saveSettings(file, preset, '.'));
    MeterSettings settings;
    EXPECT_FALSE(importCalibrationFile(file, settings, '.'));
    EXPECT_EQ(settings, preset);
}

TEST(CalibrationImport, AFileMeasuresTheSameWhicheverDecimalMarkMadeOrReadsIt)
{
    TemporaryFolder dir;
    const fs::path file = dir.path() / "colleague.dat";
    struct Reading {
        double levelDbm;
        LampAction lamp;
    };
    std::vector<Reading> readings;
    for (const char *mark : {".", ","}) {
        const auto typed = [mark](std::string text) { return std::string(text).replace(text.find('#'), 1, mark); };
        MeterSettings made = factorySettings();
        made.calLowMinus10 = typed("1#52486");
        made.calLowMinus50 = typed("0#73998");
        made.attenuatorDbm = typed("10#5");
        made.warningLevelDbm = typed("-4#5");
        fs::remove(file);
        ASSERT_FALSE(saveSettings(file, made, mark[0]));
        for (const char reader : {'.', ','}) {
            ChainUnderTest state;
            state.decimalSeparator = reader;
            ASSERT_FALSE(importCalibrationFile(file, state.settings, reader)) << mark << " read with " << reader;
            EXPECT_EQ(state.settings, made); // read as it was written, nothing rewritten
            ASSERT_FALSE(computeCalibrationLine(state, state));
            const Levels levels = std::get<Levels>(computeLevels(state, state, 1.6387));
            LampAction lamp = LampAction::LeaveUnchanged;
            for (int i = 0; i < 4; ++i)
                lamp = evaluateWarning(state, state, levels.detectorDbm);
            readings.push_back({levels.levelDbm, lamp});
        }
    }
    ASSERT_EQ(readings.size(), 4u);
    for (const Reading &r : readings) {
        EXPECT_DOUBLE_EQ(r.levelDbm, readings.front().levelDbm);
        EXPECT_EQ(r.lamp, LampAction::Show); // -4.2 dBm at the detector: above -4.5, though not above -4
    }
}
