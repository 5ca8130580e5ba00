// The window program's command line, run as the process a user starts.
#include "tests/cli/cli_process.hpp"

#include <QProcessEnvironment>
#include <QTemporaryDir>

using namespace merolan::testing;

// A wrong command line is answered on stderr with status 2 before any window or dialog opens, as
// the command-line tool answers one.
TEST(WindowProgram, AUsageErrorEndsWithStatusTwoBeforeAnyWindow)
{
    QTemporaryDir dir;
    const std::pair<QStringList, const char *> cases[] = {
        {{"--bogus"}, "merolan: --bogus: there is no such option."},
        {{"--port"}, "--port"},
        {{"--port", "12=/dev/ttyUSB0"}, "--port expects N=DEVICE"},
        {{"--record", dir.path()}, "is a folder; name a file to record into."},
        {{"--record", ""}, "--record: expects the name of a file."},
    };
    for (const auto &[arguments, message] : cases) {
        const Finished run = runProgram(builtProgram("app/merolan"), arguments, [&](QProcess &process) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
            process.setProcessEnvironment(environment);
        });
        EXPECT_EQ(run.status, 2) << arguments.join(' ').toStdString() << "\n" << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(message)) << run.err.toStdString();
    }
}
