#include "core/settings_file.hpp"
#include "core/settings_record.hpp"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

using namespace merolan;
namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> bytesOf(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path &file, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

struct SettingsFile : ::testing::Test {
    QTemporaryDir dir;
    fs::path file = fs::path(dir.path().toStdString()) / "merolan" / "merolan.dat";
};

} // namespace

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
    const fs::path missing = fs::path(dir.path().toStdString()) / "nothing.dat";
    EXPECT_TRUE(importSettingsFile(missing, s));
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_EQ(s, factorySettings());

    MeterSettings stored;
    stored.frequencyRange = std::int16_t{3};
    ASSERT_FALSE(saveSettings(file, stored, '.'));
    EXPECT_FALSE(importSettingsFile(file, s));
    EXPECT_EQ(s, stored);
}
