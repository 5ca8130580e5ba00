#include "core/settings/settings_file.hpp"
#include "core/settings/settings_record.hpp"
#include "tests/support/settings_file_fixture.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

using namespace merolan;
namespace fs = std::filesystem;

TEST_F(SettingsFile, AMissingFileIsCreatedEmptyAndLoadsTheEmptySettings)
{
    MeterSettings s = factorySettings();
    EXPECT_FALSE(loadSettings(file, s));
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(fs::file_size(file), 0u);
    EXPECT_EQ(s, MeterSettings{});
}

TEST_F(SettingsFile, SaveWritesExactlyOneRecordThatLoadsBack)
{
    ASSERT_FALSE(saveSettings(file, factorySettings(), '.'));
    EXPECT_EQ(fs::file_size(file), 128u);
    MeterSettings s;
    EXPECT_FALSE(loadSettings(file, s));
    EXPECT_EQ(s, factorySettings());
    EXPECT_FALSE(fs::exists(fs::path(file) += ".new"));
}

TEST_F(SettingsFile, SaveKeepsThePaddingAndAnythingAfterRecordOne)
{
    fs::create_directories(file.parent_path());
    std::vector<std::uint8_t> old(130, 0x5A);
    writeBytes(file, old);
    ASSERT_FALSE(saveSettings(file, factorySettings(), '.'));
    const std::vector<std::uint8_t> now = bytesOf(file);
    ASSERT_EQ(now.size(), 130u);
    EXPECT_EQ(now[111], 0x3F);
    EXPECT_EQ(now[112], 0x5A);
    EXPECT_EQ(now[129], 0x5A);
}

TEST_F(SettingsFile, ARefusedSaveLeavesFileAndSettingsAlone)
{
    ASSERT_FALSE(saveSettings(file, factorySettings(), '.'));
    const std::vector<std::uint8_t> before = bytesOf(file);
    MeterSettings tooLong = factorySettings();
    tooLong.calLowMinus10 = std::string(40, '1');
    const MeterSettings kept = tooLong;
    const std::optional<Failure> failure = saveSettings(file, tooLong, '.');
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->message.find(file.string()), std::string::npos);
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_EQ(tooLong, kept);
}

TEST_F(SettingsFile, ACorruptFileKeepsThePreviousSettings)
{
    fs::create_directories(file.parent_path());
    std::vector<std::uint8_t> corrupt(128, 0);
    corrupt[6] = 9;
    writeBytes(file, corrupt);
    MeterSettings s = factorySettings();
    const std::optional<Failure> failure = loadSettings(file, s);
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->message.find("unknown kind tag 9"), std::string::npos);
    EXPECT_EQ(s, factorySettings());
    EXPECT_EQ(bytesOf(file), corrupt);
}

TEST_F(SettingsFile, ImportNeedsAnExistingFileAndCreatesNothing)
{
    MeterSettings s = factorySettings();
    const fs::path missing = root / "nothing.dat";
    EXPECT_TRUE(importSettingsFile(missing, s));
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_EQ(s, factorySettings());

    MeterSettings stored;
    stored.frequencyRange = std::int16_t{3};
    ASSERT_FALSE(saveSettings(file, stored, '.'));
    EXPECT_FALSE(importSettingsFile(file, s));
    EXPECT_EQ(s, stored);
}

// The causes only one system can bring about are in the _posix and _windows tests.
TEST_F(SettingsFile, AFailedSaveNamesTheFileAndCauseAndChangesNothing)
{
    fs::create_directories(file);
    expectFailedSaveChangesNothing(file, "a folder of that name is in its place",
                                   [&] { return saveSettings(file, factorySettings(), '.'); });
}

TEST_F(SettingsFile, LoadAndImportReportAFolderInPlaceOfTheFile)
{
    fs::create_directories(file);
    MeterSettings s = factorySettings();
    for (const std::optional<Failure> &failure : {loadSettings(file, s), importSettingsFile(file, s)}) {
        ASSERT_TRUE(failure);
        EXPECT_NE(failure->message.find(file.string()), std::string::npos) << failure->message;
        EXPECT_NE(failure->message.find("a folder of that name is in its place"), std::string::npos);
    }
    EXPECT_EQ(s, factorySettings());
}

TEST_F(SettingsFile, SaveRemovesOnlyItsOwnTemporariesThatACrashLeftBehind)
{
    fs::create_directories(file.parent_path());
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    const struct {
        const char *suffix;
        bool old;
        bool stays;
    } cases[] = {
        {".new-Ab12Cd", true, false}, // a crashed save's
        {".new-Ef34Gh", false, true}, // another save going on right now
        {".new", true, true},         // the user's own file, however it is named
        {".new-Ab12C", true, true},   // not the pattern a save makes
        {".new-Ab1_Cd", true, true},  {".new-Ab12Cd.csv", true, true},
    };
    for (const auto &c : cases) {
        const fs::path leftover = fs::path(file) += c.suffix;
        writeBytes(leftover, {'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'});
        if (c.old)
            fs::last_write_time(leftover, hourAgo);
    }
    ASSERT_FALSE(saveSettings(file, factorySettings(), '.'));
    for (const auto &c : cases) {
        const fs::path leftover = fs::path(file) += c.suffix;
        EXPECT_EQ(fs::exists(leftover), c.stays) << c.suffix;
        if (c.stays) {
            EXPECT_EQ(bytesOf(leftover), (std::vector<std::uint8_t>{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}))
                << c.suffix;
        }
    }
}
