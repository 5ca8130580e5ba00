#include "core/settings/accuracy_file.hpp"
#include "core/settings/table_store.hpp"
#include "core/reading/correction_table.hpp"
#include "core/reading/power_average.hpp"
#include "tests/support/temporary_folder.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

using namespace merolan;

namespace {

CorrectionTable tableOf(std::string_view text)
{
    auto parsed = parseCorrectionTable(text);
    EXPECT_TRUE(std::holds_alternative<CorrectionTable>(parsed)) << text;
    return std::holds_alternative<CorrectionTable>(parsed) ? std::get<CorrectionTable>(parsed) : CorrectionTable{};
}

double dbmOf(double watt)
{
    return 10 * std::log10(watt * 1000);
}

double wattOf(double dbm)
{
    return 1e-3 * std::pow(10.0, dbm / 10);
}

} // namespace

TEST(CorrectionTable, TheCorrectionIsInterpolatedBetweenTheNearestPoints)
{
    // Unsorted on purpose, with a header, a comment and decimal commas.
    const CorrectionTable table =
        tableOf("frequency_hz,correction_db\n# cable and coupler\n1e9;-1,5\n1000000,0.5\n100000000,-0.5\n");
    const struct {
        double frequencyHz;
        double db;
        bool outside;
    } cases[] = {
        {1e6, 0.5, false},  {1e8, -0.5, false}, {5.05e7, 0.0, false}, {5.5e8, -1.0, false},
        {1e9, -1.5, false}, {1e3, 0.5, true},   {3e9, -1.5, true},
    };
    for (const auto &c : cases) {
        const CorrectionAt at = correctionAt(table, c.frequencyHz);
        EXPECT_NEAR(at.db, c.db, 1e-12) << c.frequencyHz;
        EXPECT_EQ(at.outside, c.outside) << c.frequencyHz;
    }
    const CorrectionTable single = tableOf("433.92e6,2.25\n");
    EXPECT_EQ(correctionAt(single, 1).db, 2.25);
    EXPECT_EQ(correctionAt(single, 433.92e6).outside, false);
}

TEST(CorrectionTable, ABadTableNamesTheLineAndWhatIsWrong)
{
    const struct {
        const char *text;
        std::size_t line;
        const char *what;
    } cases[] = {
        {"", 0, "the table has no rows"},
        {"# only a comment\n\n", 0, "the table has no rows"},
        {"1e6,0\nabc,1\n", 2, "the frequency is not a number of Hz above 0"},
        {"1e6,0\n-5,1\n", 2, "the frequency is not a number of Hz above 0"},
        {"1e6,zero\n", 1, "the correction is not a number of dB"},
        {"1e6,1,2\n", 1, "a row holds two fields"},
        {"1e6\n", 1, "a row holds two fields"},
        {"2e6,0\n1e6,1\n2000000,3\n", 0, "the frequency 2000000 Hz stands in the table twice"},
        {"correction_db,frequency_hz\n", 1, "the frequency is not a number"},
    };
    for (const auto &c : cases) {
        const auto parsed = parseCorrectionTable(c.text);
        ASSERT_TRUE(std::holds_alternative<CorrectionTableProblem>(parsed)) << c.text;
        EXPECT_EQ(std::get<CorrectionTableProblem>(parsed).line, c.line) << c.text;
        EXPECT_TRUE(std::get<CorrectionTableProblem>(parsed).what.starts_with(c.what))
            << std::get<CorrectionTableProblem>(parsed).what;
    }
}

TEST(CorrectionTable, AFrequencyIsTypedInHertzWithAPrefix)
{
    const std::pair<const char *, std::optional<double>> cases[] = {
        {"1000", 1000.0},      {"2.4G", 2.4e9},          {"433,92 MHz", 433.92e6}, {"10 k", 1e4},
        {"1e6 Hz", 1e6},       {"0", std::nullopt},      {"-5M", std::nullopt},    {"fast", std::nullopt},
        {"5 m", std::nullopt}, {"1e308G", std::nullopt},
    };
    for (const auto &[text, hz] : cases) {
        const std::optional<double> read = parseFrequency(text);
        ASSERT_EQ(read.has_value(), hz.has_value()) << text;
        if (hz) {
            EXPECT_NEAR(*read, *hz, *hz * 1e-15) << text;
        }
    }
}

TEST(PowerAverage, AveragesInLinearPowerAndRestartsWhenTheSetupChanges)
{
    PowerAverage average;
    average.setCount(4);
    const AverageContext context;
    // Two levels 10 dB apart average to the power they deliver, not to their mean dB.
    double mean = 0;
    for (int i = 0; i < 8; ++i)
        mean = average.add(wattOf(i % 2 == 0 ? -30 : -20), context);
    EXPECT_NEAR(dbmOf(mean), 10 * std::log10((1e-3 + 1e-2) / 2), 1e-9); // -22.6 dBm, not -25
    EXPECT_EQ(average.filled(), 4u);

    // A new attenuator, or a reading without a level, starts the average again.
    AverageContext attenuated = context;
    attenuated.attenuatorDb = 10;
    EXPECT_NEAR(dbmOf(average.add(wattOf(-10), attenuated)), -10, 1e-9);
    EXPECT_EQ(average.filled(), 1u);
    average.restart();
    EXPECT_NEAR(dbmOf(average.add(wattOf(-15), attenuated)), -15, 1e-9);

    // Count 1 is every reading as it is; counts outside 1..1024 are brought inside.
    average.setCount(0);
    EXPECT_EQ(average.count(), 1);
    EXPECT_EQ(average.add(wattOf(-7), context), wattOf(-7));
    average.setCount(5000);
    EXPECT_EQ(average.count(), kMaxAverageCount);
}

// The setup comes back after a restart; a table that went away or changed meanwhile is left out
// and said, never applied unnoticed.
TEST(AccuracyFile, TheSetupSurvivesARestartAndAChangedTableIsTold)
{
    const TemporaryFolder folder;
    const std::filesystem::path settings = folder.path() / "merolan.dat";
    const std::filesystem::path tableFile = folder.path() / "cable.csv";
    std::ofstream(tableFile) << "1e6,0.5\n1e9,-1.5\n";
    auto loaded = loadCorrectionTable(tableFile);
    ASSERT_TRUE(std::holds_alternative<SelectedTable>(loaded));

    AccuracySetup chosen;
    chosen.setAveraging(16);
    chosen.frequencyHz = 433.92e6;
    chosen.setTable(std::get<SelectedTable>(loaded));
    ASSERT_FALSE(storeAccuracy(settings, chosen));

    AccuracySetup restored;
    EXPECT_TRUE(restoreAccuracy(settings, restored).empty());
    EXPECT_EQ(restored.averagedReadings(), 16);
    EXPECT_EQ(restored.frequencyHz, 433.92e6);
    ASSERT_TRUE(restored.tableInForce());
    EXPECT_EQ(restored.table->table.points, chosen.table->table.points);
    EXPECT_EQ(restored.table->name, tableFile.string());

    std::ofstream(tableFile) << "1e6,0.5\n1e9,-2.5\n";
    std::vector<std::string> notes = restoreAccuracy(settings, restored);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("has changed since it was chosen"), std::string::npos) << notes[0];
    EXPECT_FALSE(restored.tableInForce());
    EXPECT_EQ(restored.averagedReadings(), 16);

    std::filesystem::remove(tableFile);
    notes = restoreAccuracy(settings, restored);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("is not there"), std::string::npos) << notes[0];

    std::ofstream(accuracyFileBeside(settings)) << "average_count=0\n";
    notes = restoreAccuracy(settings, restored);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("average_count is not a whole number"), std::string::npos) << notes[0];
}
