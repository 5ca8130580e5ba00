#pragma once

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <functional>

// The built programs run as processes of their own, for what only a process shows: its exit
// status, its standard output on a full disk or a closed pipe, a signal.
namespace merolan::testing {

inline QString builtProgram(const char *relativePath)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../") + QLatin1String(relativePath);
}

inline QString cliProgram()
{
    return builtProgram("cli/merolan-cli");
}

// The shell, for what only it sets up: a file-size limit, a pipe whose reader leaves early.
inline QString shell()
{
    return QStandardPaths::findExecutable(QStringLiteral("bash"));
}

struct Finished {
    int status = -1; // the exit status; -1 when the process did not end by itself in time
    QByteArray out;
    QByteArray err;
};

// Runs the program to its end with the event loop turning, so that a simulated meter in this
// thread answers it meanwhile. `prepare` redirects or adds to the environment; `started` acts
// on the running process (a signal once it has printed).
inline Finished runProgram(const QString &program, const QStringList &arguments,
                           const std::function<void(QProcess &)> &prepare = {},
                           const std::function<void(QProcess &)> &started = {})
{
    constexpr int kGenerousMs = 30000;
    EXPECT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString() << " has not been built";
    QProcess process;
    if (prepare)
        prepare(process);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(program, arguments);
    if (!process.waitForStarted(kGenerousMs))
        return {};
    if (started)
        started(process);
    if (finished.isEmpty() && !finished.wait(kGenerousMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    Finished result;
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

} // namespace merolan::testing
