#include "core/settings/table_store.hpp"

#include "tests/support/temporary_folder.hpp"

#include <gtest/gtest.h>

#include <fstream>

using namespace merolan;

namespace {

std::string failureOf(const std::variant<SelectedTable, Failure> &loaded)
{
    const Failure *failure = std::get_if<Failure>(&loaded);
    return failure ? failure->message : std::string();
}

} // namespace

// A kept table is chosen by a name, never by a path; what comes back tells what a table holds
// but nothing of the host's files beyond the folder.
TEST(TableStore, NamesChooseKeptTablesAndTellNothingOfTheHostsFiles)
{
    const TemporaryFolder outside;
    std::ofstream(outside.path() / "secret.csv") << "1e6,1\n";
    const std::filesystem::path folder = outside.path() / "tables";
    std::filesystem::create_directory(folder);
    std::ofstream(folder / "cable.csv") << "1e8,1\n3e8,3\n";
    std::ofstream(folder / "broken.csv") << "1e8,1\n1e8,2\n";
    std::ofstream(folder / ".hidden.csv") << "1e8,1\n";
    std::ofstream(folder / "notes.txt") << "1e8,1\n";
    std::filesystem::create_directory(folder / "folder.csv");

    EXPECT_EQ(tableNames(folder), (std::vector<std::string>{"broken", "cable"}));
    EXPECT_TRUE(tableNames(outside.path() / "none").empty());

    const auto cable = loadNamedTable(folder, "cable");
    ASSERT_TRUE(std::holds_alternative<SelectedTable>(cable)) << failureOf(cable);
    EXPECT_EQ(std::get<SelectedTable>(cable).name, "cable");
    EXPECT_EQ(std::get<SelectedTable>(cable).table.points.size(), 2u);

    EXPECT_NE(failureOf(loadNamedTable(folder, "broken")).find("stands in the table twice"), std::string::npos);
    const std::string pathOfHost = outside.path().string();
    for (const char *name : {"../secret", "/etc/passwd", "..", "a/b", "a\\b", ".hidden", "", "folder", "missing",
                             "notes", "ca ble"}) {
        const std::string said = failureOf(loadNamedTable(folder, name));
        EXPECT_FALSE(said.empty()) << name;
        EXPECT_EQ(said.find(pathOfHost), std::string::npos) << name << ": " << said;
        EXPECT_EQ(said.find("cannot be read"), std::string::npos) << name << ": " << said;
    }
    EXPECT_FALSE(isTableName(std::string(kMaxTableNameLength + 1, 'a')));
    EXPECT_TRUE(isTableName(std::string(kMaxTableNameLength, 'a')));
}
