#include "cli/cli_context.hpp"
#include "core/settings/settings_file.hpp"
#include "tests/link/meter_line.hpp"

#include <QTcpServer>
#include <QTemporaryDir>

#include <sstream>

using namespace merolan;
using namespace merolan::testing;

namespace {

class ServeCommand : public SimulatedMeter
{
protected:
    void SetUp() override
    {
        SimulatedMeter::SetUp();
        ASSERT_FALSE(saveSettings(settingsFile, factorySettings(), '.'));
    }

    int run(const QStringList &arguments)
    {
        err.str({});
        CliContext cli{out, err, settingsFile, '.', false};
        return runServeCommand(arguments, cli);
    }

    QTemporaryDir dir;
    std::filesystem::path settingsFile = std::filesystem::path(dir.path().toStdString()) / "merolan.dat";
    std::ostringstream out, err;
};

} // namespace

// Every way serve cannot start ends at once with its own status and says why.
TEST_F(ServeCommand, WhatKeepsItFromServingIsNamedWithItsOwnStatus)
{
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
    const QString busy = QStringLiteral("127.0.0.1:%1").arg(taken.serverPort());
    const struct {
        QStringList arguments;
        int status;
        std::string message;
    } cases[] = {
        {{"--port", meter.devicePath(), "--listen", busy},
         kExitAddress,
         "merolan-cli serve: cannot serve on " + busy.toStdString() + ": the port is in use by another program.\n"},
        {{"--port", meter.devicePath(), "--listen", "192.0.2.1:5025"},
         kExitAddress,
         "merolan-cli serve: cannot serve on 192.0.2.1:5025: the address is not one of this computer's.\n"},
        {{"--port", meter.devicePath(), "--listen", "127.0.0.1:70000"}, kExitUsage, "--listen: expects [HOST:]PORT"},
        {{"--port", meter.devicePath(), "--listen", "::1:5025"}, kExitUsage, "--listen: expects [HOST:]PORT"},
        {{"--port", dir.filePath("ttyUSB7")}, kExitPort, "cannot open " + dir.filePath("ttyUSB7").toStdString()},
        {{"--port", meter.devicePath(), "--settings", dir.filePath("none.dat")},
         kExitFailed,
         "cannot read the settings: there is no file"},
        {{"--port", meter.devicePath(), "--timeout", "0"}, kExitUsage, "--timeout: expects a positive number"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(run(c.arguments), c.status) << c.arguments.join(' ').toStdString();
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
    }
}
