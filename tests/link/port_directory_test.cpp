#include "link/port_directory.hpp"

#include <gtest/gtest.h>

#include <optional>

using namespace merolan;

TEST(PortDirectory, PortOptionTakesANumberFromOneToNineAndADevice)
{
    const std::pair<const char *, std::pair<int, const char *>> good[] = {
        {"1=/dev/ttyUSB0", {1, "/dev/ttyUSB0"}},
        {"9=/dev/pts/4", {9, "/dev/pts/4"}},
        {" 3 = /dev/ttyACM0 ", {3, "/dev/ttyACM0"}},
    };
    for (auto [value, expected] : good) {
        QMap<int, QString> ports;
        EXPECT_FALSE(parsePortOption(QString::fromUtf8(value), ports)) << value;
        EXPECT_EQ(ports.value(expected.first), QString::fromUtf8(expected.second)) << value;
    }

    for (const char *value : {"0=/dev/x", "10=/dev/x", "a=/dev/x", "=/dev/x", "3=", "3", ""}) {
        QMap<int, QString> ports{{2, "/dev/kept"}};
        const auto error = parsePortOption(QString::fromUtf8(value), ports);
        ASSERT_TRUE(error) << value;
        EXPECT_TRUE(error->contains("--port")) << value;
        EXPECT_EQ(ports, (QMap<int, QString>{{2, "/dev/kept"}})) << value;
    }
}

TEST(PortDirectory, ALaterOptionForTheSamePortWins)
{
    QMap<int, QString> ports;
    EXPECT_FALSE(parsePortOption("2=/dev/first", ports));
    EXPECT_FALSE(parsePortOption("2=/dev/second", ports));
    EXPECT_EQ(ports.value(2), "/dev/second");
}

TEST(PortDirectory, OnlyTheListsOwnNamesAreComPorts)
{
    const std::pair<const char *, std::optional<int>> cases[] = {
        {"Com 1", 1},
        {"Com 9", 9},
        {"Com 10", std::nullopt},
        {"Com 0", std::nullopt},
        {"com 1", std::nullopt},
        {"Close Port", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto &[name, number] : cases)
        EXPECT_EQ(comPortNumber(QString::fromUtf8(name)), number) << name;
    for (int n = kFirstPortNumber; n <= kLastPortNumber; ++n)
        EXPECT_EQ(comPortNumber(comPortName(n)), n);
}

#ifdef Q_OS_WIN
TEST(PortDirectory, WindowsNamesThePortItself)
{
    EXPECT_EQ(deviceForPort(3, {{3, "ignored"}}, {}), "COM3");
    EXPECT_EQ(comNumberOfDevice("com5", {}), 5);
    EXPECT_EQ(comNumberOfDevice("COM12", {}), std::nullopt);
}
#else
TEST(PortDirectory, PortsCountThroughTheSystemListInNameOrder)
{
    const QStringList system = {"/dev/ttyUSB10", "/dev/ttyS0", "/dev/ttyUSB9", "/dev/ttyACM0"};
    const QMap<int, QString> overrides = {{2, "/dev/pts/7"}};
    const std::pair<int, const char *> cases[] = {
        {1, "/dev/ttyACM0"}, {2, "/dev/pts/7"}, {3, "/dev/ttyUSB9"}, {4, "/dev/ttyUSB10"}, {5, ""}, {9, ""},
    };
    for (auto [n, device] : cases)
        EXPECT_EQ(deviceForPort(n, overrides, system), QString::fromUtf8(device)) << n;

    // The tool numbers the ports the same way; an override is the window's alone.
    const std::pair<const char *, std::optional<int>> numbers[] = {
        {"/dev/ttyACM0", 1}, {"/dev/ttyS0", 2}, {"/dev/ttyUSB10", 4}, {"/dev/pts/7", std::nullopt}, {"", std::nullopt},
    };
    for (auto [device, n] : numbers)
        EXPECT_EQ(comNumberOfDevice(QString::fromUtf8(device), system), n) << device;
}
#endif
