#include "core/settings/settings_file.hpp"
#include "core/settings/settings_record.hpp"
#include "tests/support/settings_file_fixture.hpp"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <utility>
#include <vector>

// Links, permission bits and the file-size limit: what only a POSIX system has.
using namespace merolan;
namespace fs = std::filesystem;

TEST_F(SettingsFile, ASaveRefusedByTheSystemNamesTheCauseAndChangesNothing)
{
    const fs::path folder = file.parent_path();
    const fs::path limited = folder / "limited.dat", locked = folder / "locked.dat";
    fs::create_directories(folder);
    writeBytes(limited, std::vector<std::uint8_t>(130, 0x5A));
    writeBytes(locked, std::vector<std::uint8_t>(130, 0x5A));
    const auto save = [](const fs::path &f) { return saveSettings(f, factorySettings(), '.'); };

    expectFailedSaveChangesNothing(limited, "file-size limit", [&] {
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit low = saved;
        low.rlim_cur = 64;
        setrlimit(RLIMIT_FSIZE, &low);
        std::optional<Failure> failure = save(limited);
        setrlimit(RLIMIT_FSIZE, &saved);
        return failure;
    });
    if (geteuid() != 0) // root writes into a read-only folder anyway
        expectFailedSaveChangesNothing(locked, "the folder \"" + folder.string() + "\" does not allow new files", [&] {
            fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
            std::optional<Failure> failure = save(locked);
            fs::permissions(folder, fs::perms::owner_all);
            return failure;
        });
}

TEST_F(SettingsFile, SaveRemovesLeftoverTemporariesWithoutFollowingThem)
{
    const fs::path victim = root / "victim.dat";
    writeBytes(victim, {1, 2, 3});
    fs::create_directories(file.parent_path());
    const fs::path planted = fs::path(file) += ".new-Ab12Cd", users = fs::path(file) += ".new";
    fs::create_symlink(victim, planted);
    fs::create_symlink(victim, users); // not a name a save makes: the user's, and it stays
    ASSERT_FALSE(saveSettings(file, factorySettings(), '.'));
    EXPECT_EQ(bytesOf(victim), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(fs::is_symlink(planted));
    EXPECT_TRUE(fs::is_symlink(users));
    EXPECT_EQ(entriesIn(file.parent_path()), 2u);
}

TEST_F(SettingsFile, SaveLeavesAnotherUsersFileThatLooksLikeATemporary)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    fs::create_directories(file.parent_path());
    const fs::path theirs = fs::path(file) += ".new-Ab12Cd";
    writeBytes(theirs, {4});
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    fs::last_write_time(theirs, fs::file_time_type::clock::now() - std::chrono::hours(1));
    ASSERT_FALSE(saveSettings(file, factorySettings(), '.'));
    EXPECT_EQ(bytesOf(theirs), std::vector<std::uint8_t>{4});
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
