#include "cli/cli_context.hpp"
#include "core/settings/settings_fields.hpp"
#include "core/settings/settings_file.hpp"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

using namespace merolan;
namespace fs = std::filesystem;

namespace {

std::vector<char> bytesOf(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct SettingsCommand : ::testing::Test {
    QTemporaryDir dir;
    fs::path file = fs::path(dir.path().toStdString()) / "merolan" / "merolan.dat";
    std::ostringstream out;
    std::ostringstream err;
    CliContext cli{out, err, file, '.', false};

    int run(const QStringList &arguments)
    {
        out.str("");
        err.str("");
        return runSettingsCommand(arguments, cli);
    }
    MeterSettings stored() const
    {
        MeterSettings s;
        EXPECT_FALSE(importSettingsFile(file, s));
        return s;
    }
};

} // namespace

TEST_F(SettingsCommand, RawShowListsEveryFieldWithItsKindAndNeverCreatesTheFile)
{
    EXPECT_EQ(run({"show"}), kExitFailed);
    EXPECT_NE(err.str().find("there is no file"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(file));

    ASSERT_EQ(run({"default"}), kExitDone);
    ASSERT_EQ(run({"show", "--raw"}), kExitDone);
    const std::string table = out.str();
    for (const char *line : {"lowRefPwm        integer  0\n", "highRefPwm       integer  1023\n",
                             "wattScaleMax     text     \"1.0\"\n", "calLowMinus10    double   1.52486\n"})
        EXPECT_NE(table.find(line), std::string::npos) << line << table;
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 19);
    EXPECT_TRUE(table.starts_with("lowRefPwm ") && table.ends_with("calHighMinus50   double   0.83877\n")) << table;
}

// What the windows show: captions, units and names, no storage kinds or codes.
TEST_F(SettingsCommand, ShowReadsAsTheWindowsShowTheSettings)
{
    ASSERT_EQ(run({"default"}), kExitDone);
    ASSERT_EQ(run({"show"}), kExitDone);
    EXPECT_EQ(out.str(), "Main window\n"
                         "  Attenuator                     0 dB\n"
                         "  Max Scale                      -10 dBm, 1.0 W, 1.0 V\n"
                         "  Min Scale                      -50 dBm, 0 W, 0 V\n"
                         "  Frequency range                Low\n"
                         "  Gauge unit                     dBm\n"
                         "  Activate External Gauge Meter  off\n"
                         "Calibration and Settings\n"
                         "  Gauge meter low reference      0\n"
                         "  Gauge meter high reference     1023\n"
                         "  Low -10 dBm                    1.52486 V\n"
                         "  Low -50 dBm                    0.73998 V\n"
                         "  Mid -10 dBm                    1.54132 V\n"
                         "  Mid -50 dBm                    0.77893 V\n"
                         "  High -10 dBm                   1.53451 V\n"
                         "  High -50 dBm                   0.83877 V\n"
                         "  Log Detector Warning Level     -5 dBm\n");

    // A record as other writers leave it, shown where the user has a decimal comma.
    MeterSettings s = factorySettings();
    s.attenuatorDbm = std::string(" 20,5 ");
    s.wattScaleMax = std::string("10 mW");
    s.voltScaleMin = std::string();
    s.frequencyRange = std::int16_t{7};
    s.gaugeUnit = std::string("3");
    s.externalMeterOn = -1;
    ASSERT_FALSE(saveSettings(file, s, ','));
    cli.decimalSeparator = ',';
    ASSERT_EQ(run({"show"}), kExitDone);
    for (const char *line :
         {"  Attenuator                     20,5 dB\n", "  Max Scale                      -10 dBm, \"10 mW\", 1.0 V\n",
          "  Min Scale                      -50 dBm, 0 W, (empty)\n", "  Frequency range                none\n",
          "  Gauge unit                     Volt\n", "  Activate External Gauge Meter  on\n",
          "  Low -10 dBm                    1,52486 V\n"})
        EXPECT_NE(out.str().find(line), std::string::npos) << line << out.str();
}

TEST_F(SettingsCommand, JsonGivesKindsAndExactValuesWithEscapedTexts)
{
    ASSERT_EQ(run({"default"}), kExitDone);
    // A text no field can use, as another writer may leave it.
    const QString text = QString::fromUtf8("say \"hi\"\\\n\tÉ\u0081");
    MeterSettings odd = factorySettings();
    odd.warningLevelDbm = text.toStdString();
    ASSERT_FALSE(saveSettings(file, odd, '.'));
    ASSERT_EQ(run({"show", "--json"}), kExitDone);
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(out.str()), &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << out.str();
    EXPECT_EQ(json.value("warningLevelDbm").toObject().value("value").toString(), text);
    for (const char *line :
         {"{\n  \"lowRefPwm\": {\"kind\": \"integer\", \"value\": 0},\n",
          "\"warningLevelDbm\": {\"kind\": \"text\", \"value\": \"say \\\"hi\\\"\\\\\\n\\tÉ\\u0081\"},",
          "\"calHighMinus50\": {\"kind\": \"double\", \"value\": 0.83877}\n}\n"})
        EXPECT_NE(out.str().find(line), std::string::npos) << line << out.str();

    std::ofstream{file, std::ios::trunc}.flush(); // an empty file holds the empty settings
    ASSERT_EQ(run({"show", "--json"}), kExitDone);
    EXPECT_NE(out.str().find("\"attenuatorDbm\": {\"kind\": \"empty\", \"value\": null},"), std::string::npos);
}

// Every action that writes a whole file leaves one that exists alone unless told --yes.
TEST_F(SettingsCommand, AWholeFileIsReplacedOnlyWithYes)
{
    const QString source = QString::fromStdString((fs::path(dir.path().toStdString()) / "preset.dat").string());
    MeterSettings preset = factorySettings();
    preset.attenuatorDbm = std::string("12");
    ASSERT_FALSE(saveSettings(source.toStdString(), preset, '.'));
    const QString copy = QString::fromStdString((fs::path(dir.path().toStdString()) / "copy.dat").string());
    const struct {
        QStringList arguments;
        fs::path target;
    } cases[] = {
        {{"default"}, file},
        {{"import", source}, file},
        {{"export", copy}, copy.toStdString()},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(run({"set", "attenuatorDbm", "6"}), kExitDone);
        std::ofstream(c.target, std::ios::app).flush();
        const std::vector<char> before = bytesOf(c.target);
        EXPECT_EQ(run(c.arguments), kExitFailed) << c.arguments.join(' ').toStdString();
        EXPECT_NE(err.str().find("it exists; add --yes"), std::string::npos) << err.str();
        EXPECT_EQ(bytesOf(c.target), before);
        EXPECT_EQ(run(c.arguments + QStringList{"--yes"}), kExitDone) << err.str();
        EXPECT_NE(bytesOf(c.target), before) << c.arguments.join(' ').toStdString();
    }
}

TEST_F(SettingsCommand, SetStoresTheKindItsWindowGives)
{
    const std::pair<QStringList, SettingValue> good[] = {
        {{"attenuatorDbm", "-10"}, std::string("-10")},
        {{"attenuatorDbm", " 2,5 "}, std::string(" 2,5 ")},
        {{"wattScaleMax", "10 mW"}, std::string("10 mW")},
        {{"voltScaleMin", "2.5u"}, std::string("2.5u")},
        {{"dbmScaleMin", "-60"}, std::string("-60")},
        {{"warningLevelDbm", "-4,5"}, std::string("-4,5")},
        {{"calMidMinus50", "0,77893"}, std::string("0,77893")},
        {{"externalMeterOn", "-1"}, std::int16_t{-1}},
        {{"frequencyRange", "3"}, std::int16_t{3}},
        {{"frequencyRange", "Mid"}, std::int16_t{2}},
        {{"gaugeUnit", "2"}, std::int16_t{2}},
        {{"gaugeUnit", "v"}, std::int16_t{3}},
        {{"gaugeUnit", "dBm"}, std::int16_t{1}},
        {{"highRefPwm", "1023"}, std::int16_t{1023}},
    };
    for (const auto &[arguments, value] : good) {
        ASSERT_EQ(run(QStringList{"set"} + arguments), kExitDone) << err.str();
        EXPECT_EQ(fieldValue(stored(), *findSettingField(arguments[0].toStdString())), value) << out.str();
    }
    EXPECT_TRUE(std::holds_alternative<std::monostate>(stored().dbmScaleMax)) << "begun from the empty settings";

    const std::vector<char> before = bytesOf(file);
    const QStringList bad[] = {{"externalMeterOn", "1"}, {"frequencyRange", "4"}, {"gaugeUnit", "Ohm"},
                               {"lowRefPwm", "1024"},    {"highRefPwm", "-1"},    {"lowRefPwm", " 5"},
                               {"noSuchField", "1"}};
    for (const QStringList &arguments : bad) {
        EXPECT_EQ(run(QStringList{"set"} + arguments), kExitUsage) << arguments.join(' ').toStdString();
        EXPECT_NE(err.str().find(arguments[0].toStdString()), std::string::npos) << err.str();
    }
    EXPECT_EQ(bytesOf(file), before);
}

// A value the program cannot read for the field would turn up later as readings without a
// level, a scale without limits or a lamp that never lights; it is refused at once instead.
TEST_F(SettingsCommand, SetRefusesAValueItsFieldCannotUse)
{
    ASSERT_EQ(run({"default"}), kExitDone);
    const std::vector<char> before = bytesOf(file);
    const std::pair<QStringList, const char *> cases[] = {
        {{"attenuatorDbm", "abc"}, "a number of dB"},
        {{"attenuatorDbm", ""}, "a number of dB"},
        {{"attenuatorDbm", "-1e308"}, "a number of dB from about -3000 to 3000"},
        {{"warningLevelDbm", "1e400"}, "a number of dBm"},
        {{"warningLevelDbm", "hot"}, "a number of dBm"},
        {{"dbmScaleMax", "-10 dB"}, "a number of dBm"},
        {{"wattScaleMax", "1 Ohm"}, "watts, optionally with"},
        {{"voltScaleMin", ""}, "volts, optionally with"},
        {{"calLowMinus10", "1,524,000"}, "a number of volts"},
        {{"frequencyRange", "top"}, "low, mid or high"},
    };
    for (const auto &[arguments, takes] : cases) {
        EXPECT_EQ(run(QStringList{"set"} + arguments), kExitUsage) << arguments.join(' ').toStdString();
        const std::string expected = "merolan-cli settings set: " + arguments[0].toStdString() + ": takes " + takes;
        EXPECT_TRUE(err.str().starts_with(expected)) << expected << "\n" << err.str();
        EXPECT_NE(err.str().find("not \"" + arguments[1].toStdString() + "\"."), std::string::npos) << err.str();
    }
    EXPECT_EQ(bytesOf(file), before);
}

TEST_F(SettingsCommand, SetRefusesWhatTheRecordCannotHold)
{
    ASSERT_EQ(run({"default"}), kExitDone);
    const std::vector<char> before = bytesOf(file);
    const std::tuple<const char *, const char *, const char *> cases[] = {
        {"calLowMinus10", "1.2345678901234567890123456789012345678901234567890", "more than the 128-byte record holds"},
        {"wattScaleMax", "2.5 \u03bcW", "cannot store"}, // the Greek mu: Windows-1252 has only the micro sign
    };
    for (auto [field, value, why] : cases) {
        EXPECT_EQ(run({"set", field, QString::fromUtf8(value)}), kExitUsage);
        EXPECT_NE(err.str().find(why), std::string::npos) << err.str();
        EXPECT_EQ(bytesOf(file), before) << value;
    }
}

TEST_F(SettingsCommand, ImportTakesOnlyACalibrationAndEndsOnLowAndDbm)
{
    ASSERT_EQ(run({"default"}), kExitDone);
    const std::vector<char> before = bytesOf(file);
    const fs::path source = fs::path(dir.path().toStdString()) / "preset.dat";
    std::ofstream(source) << "too short";
    EXPECT_EQ(run({"import", QString::fromStdString(source.string())}), kExitFailed);
    EXPECT_NE(err.str().find(source.string()), std::string::npos) << err.str();
    EXPECT_EQ(bytesOf(file), before);

    MeterSettings preset = factorySettings();
    preset.frequencyRange = std::int16_t{3};
    preset.gaugeUnit = std::string("2");
    preset.externalMeterOn = 5;
    preset.attenuatorDbm = std::string("6");
    ASSERT_FALSE(saveSettings(source, preset, '.'));
    EXPECT_EQ(run({"import", "--yes", QString::fromStdString(source.string())}), kExitDone) << err.str();
    MeterSettings expected = factorySettings();
    expected.attenuatorDbm = std::string("6");
    expected.externalMeterOn = 5; // the switch was off and stays off, so nothing rewrites the flag
    EXPECT_EQ(stored(), expected);
}

TEST_F(SettingsCommand, AWrongLineNamesWhatIsWrong)
{
    const std::pair<QStringList, const char *> cases[] = {
        {{"show", "--bogus"}, "bogus"},
        {{"show", "--file"}, "--file"},
        {{"default", "--json"}, "json"},
        {{"set", "lowRefPwm"}, "FIELD VALUE"},
        {{"set", "lowRefPwm", "1", "--yes"}, "before FIELD"},
        {{"import"}, "SRC"},
        {{"frobnicate"}, "there is no such action"},
        {{"show", "--raw", "--json"}, "exclude each other"},
    };
    for (const auto &[arguments, named] : cases) {
        EXPECT_EQ(run(arguments), kExitUsage) << named;
        EXPECT_NE(err.str().find(named), std::string::npos) << err.str();
    }
    EXPECT_FALSE(fs::exists(file));
}
