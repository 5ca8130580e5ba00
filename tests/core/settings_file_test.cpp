#include "core/settings_file.hpp"
#include "core/settings_record.hpp"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
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

std::size_t entriesIn(const fs::path &folder)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

struct SettingsFile : ::testing::Test {
    QTemporaryDir dir;
    fs::path root = dir.path().toStdString();
    fs::path file = root / "merolan" / "merolan.dat";
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

TEST_F(SettingsFile, AFailedSaveNamesTheFileAndCauseAndChangesNothing)
{
    const fs::path folder = file.parent_path();
    const fs::path inPlace = folder / "folder.dat", limited = folder / "limited.dat", locked = folder / "locked.dat";
    fs::create_directories(inPlace);
    const std::vector<std::uint8_t> old(130, 0x5A);
    writeBytes(limited, old);
    writeBytes(locked, old);
    const auto save = [](const fs::path &f) { return saveSettings(f, factorySettings(), '.'); };
    const auto sizeLimited = [&](const fs::path &f) {
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit low = saved;
        low.rlim_cur = 64;
        setrlimit(RLIMIT_FSIZE, &low);
        std::optional<Failure> failure = save(f);
        setrlimit(RLIMIT_FSIZE, &saved);
        return failure;
    };
    const auto readOnlyFolder = [&](const fs::path &f) {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        std::optional<Failure> failure = save(f);
        fs::permissions(folder, fs::perms::owner_all);
        return failure;
    };
    struct Case {
        fs::path target;
        std::string cause;
        std::function<std::optional<Failure>(const fs::path &)> attempt;
    };
    std::vector<Case> cases = {{inPlace, "a folder of that name is in its place", save},
                               {limited, "file-size limit", sizeLimited}};
    if (geteuid() != 0) // root writes into a read-only folder anyway
        cases.push_back({locked, "the folder \"" + folder.string() + "\" does not allow new files", readOnlyFolder});
    for (const Case &c : cases) {
        const std::optional<Failure> failure = c.attempt(c.target);
        ASSERT_TRUE(failure) << c.cause;
        EXPECT_NE(failure->message.find("\"" + c.target.string() + "\""), std::string::npos) << failure->message;
        EXPECT_NE(failure->message.find(c.cause), std::string::npos) << failure->message;
        EXPECT_TRUE(fs::is_directory(c.target) || bytesOf(c.target) == old) << c.cause;
        EXPECT_EQ(entriesIn(folder), 3u) << c.cause;
    }
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

TEST_F(SettingsFile, SaveRemovesLeftoverTemporariesWithoutFollowingThem)
{
    const fs::path victim = root / "victim.dat";
    writeBytes(victim, {1, 2, 3});
    fs::create_directories(file.parent_path());
    fs::create_symlink(victim, fs::path(file) += ".new");
    const fs::path crashed = fs::path(file) += ".new-Ab12Cd";
    writeBytes(crashed, {4});
    fs::last_write_time(crashed, fs::file_time_type::clock::now() - std::chrono::hours(1));
    ASSERT_FALSE(saveSettings(file, factorySettings(), '.'));
    EXPECT_EQ(bytesOf(victim), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(entriesIn(file.parent_path()), 1u);
}

TEST_F(SettingsFile, SaveReplacesTheFileALinkPointsAtAndKeepsItsPermissions)
{
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    const std::pair<fs::path, bool> cases[] = {{file, false}, {root / "elsewhere" / "cal.dat", true}};
    for (const auto &[target, linked] : cases) {
        fs::create_directories(target.parent_path());
        writeBytes(target, std::vector<std::uint8_t>(128, 0));
        fs::permissions(target, mode);
        if (linked) {
            fs::remove(file);
            fs::create_symlink(target, file);
        }
        ASSERT_FALSE(saveSettings(file, factorySettings(), '.'));
        EXPECT_EQ(fs::is_symlink(file), linked);
        EXPECT_EQ(fs::status(target).permissions(), mode) << target;
        EXPECT_EQ(entriesIn(target.parent_path()), 1u) << target;
        MeterSettings s;
        EXPECT_FALSE(importSettingsFile(target, s));
        EXPECT_EQ(s, factorySettings()) << target;
    }
}
