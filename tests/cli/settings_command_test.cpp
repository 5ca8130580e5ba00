#include "cli/cli_context.hpp"
#include "core/settings_fields.hpp"
#include "core/settings_file.hpp"

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

TEST_F(SettingsCommand, ShowListsEveryFieldWithItsKindAndNeverCreatesTheFile)
{
    EXPECT_EQ(run({"show"}), kExitFailed);
    EXPECT_NE(err.str().find("no settings file at"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(file));

    ASSERT_EQ(run({"default"}), kExitDone);
    ASSERT_EQ(run({"show"}), kExitDone);
    const std::string table = out.str();
    for (const char *line : {"lowRefPwm        integer  0\n", "highRefPwm       integer  1023\n",
                             "wattScaleMax     text     \"1.0\"\n", "calLowMinus10    double   1.52486\n"})
        EXPECT_NE(table.find(line), std::string::npos) << line << table;
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 19);
    EXPECT_TRUE(table.starts_with("lowRefPwm ") && table.ends_with("calHighMinus50   double   0.83877\n")) << table;
}

TEST_F(SettingsCommand, JsonGivesKindsAndExactValuesWithEscapedTexts)
{
    ASSERT_EQ(run({"default"}), kExitDone);
    const QString text = QString::fromUtf8("say \"hi\"\\\n\tÉ\u0081");
    ASSERT_EQ(run({"set", "warningLevelDbm", text}), kExitDone) << err.str();
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

TEST_F(SettingsCommand, DefaultReplacesAFileOnlyWithYes)
{
    ASSERT_EQ(run({"set", "attenuatorDbm", "6"}), kExitDone);
    const std::vector<char> before = bytesOf(file);
    EXPECT_EQ(run({"default"}), kExitFailed);
    EXPECT_NE(err.str().find("--yes"), std::string::npos) << err.str();
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_EQ(run({"default", "--yes"}), kExitDone);
    EXPECT_EQ(stored(), factorySettings());
}

TEST_F(SettingsCommand, SetStoresTheKindItsWindowGives)
{
    const std::pair<QStringList, SettingValue> good[] = {
        {{"attenuatorDbm", "-10"}, std::string("-10")}, {{"wattScaleMax", " 2,5 "}, std::string(" 2,5 ")},
        {{"calMidMinus50", ""}, std::string()},         {{"externalMeterOn", "-1"}, std::int16_t{-1}},
        {{"frequencyRange", "3"}, std::int16_t{3}},     {{"gaugeUnit", "2"}, std::int16_t{2}},
        {{"highRefPwm", "1023"}, std::int16_t{1023}},
    };
    for (const auto &[arguments, value] : good) {
        ASSERT_EQ(run(QStringList{"set"} + arguments), kExitDone) << err.str();
        EXPECT_EQ(fieldValue(stored(), *findSettingField(arguments[0].toStdString())), value) << out.str();
    }
    EXPECT_TRUE(std::holds_alternative<std::monostate>(stored().dbmScaleMax)) << "begun from the empty settings";

    const std::vector<char> before = bytesOf(file);
    const QStringList bad[] = {{"externalMeterOn", "1"}, {"frequencyRange", "4"}, {"gaugeUnit", "dBm"},
                               {"lowRefPwm", "1024"},    {"highRefPwm", "-1"},    {"lowRefPwm", " 5"},
                               {"noSuchField", "1"}};
    for (const QStringList &arguments : bad) {
        EXPECT_EQ(run(QStringList{"set"} + arguments), kExitUsage) << arguments.join(' ').toStdString();
        EXPECT_NE(err.str().find(arguments[0].toStdString()), std::string::npos) << err.str();
    }
    EXPECT_EQ(bytesOf(file), before);
}

TEST_F(SettingsCommand, SetRefusesWhatTheRecordCannotHold)
{
    ASSERT_EQ(run({"default"}), kExitDone);
    const std::vector<char> before = bytesOf(file);
    const std::pair<const char *, const char *> cases[] = {
        {"1234567890123456789012345678901234567890", "more than the 128-byte record holds"},
        {"5 \u03A9", "cannot store"},
    };
    for (auto [value, why] : cases) {
        EXPECT_EQ(run({"set", "attenuatorDbm", QString::fromUtf8(value)}), kExitUsage);
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
    EXPECT_EQ(run({"import", QString::fromStdString(source.string())}), kExitDone) << err.str();
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
        {{"frobnicate"}, "unknown action"},
    };
    for (const auto &[arguments, named] : cases) {
        EXPECT_EQ(run(arguments), kExitUsage) << named;
        EXPECT_NE(err.str().find(named), std::string::npos) << err.str();
    }
    EXPECT_FALSE(fs::exists(file));
}
