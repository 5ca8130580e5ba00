// Latency from the last byte of a reply reaching the program to its update frame leaving it,
// over a pseudo-terminal, and the CPU time of the whole reading chain with the gauge redraw.
//   merolan_latency_bench [CYCLES]
#include "core/settings/settings_file.hpp"
#include "link/meter_session.hpp"
#include "link/reading_recorder.hpp"
#include "ui/app_context.hpp"
#include "ui/main_window.hpp"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

using namespace merolan;
using Clock = std::chrono::steady_clock;

namespace {

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return 1;
    termios raw{};
    tcgetattr(master, &raw);
    cfmakeraw(&raw);
    tcsetattr(master, TCSANOW, &raw);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    QTemporaryDir dir;
    SilentDialogs dialogs;
    AppContext context{Instrument(), std::filesystem::path(dir.path().toStdString()) / "merolan.dat", dialogs};
    saveSettings(context.settingsFile, factorySettings(), '.');
    context.ports.overrides.insert(1, QString::fromLatin1(ptsname(master)));
    MeterSession session(context.instrument);
    ReadingRecorder recorder(context.instrument, session);
    MainWindow window(context, session, recorder);
    emit window.findChild<QComboBox *>(QStringLiteral("Combo1"))->textActivated(QStringLiteral("Com 1"));
    if (!session.isPortOpen())
        return 1;

    std::vector<double> latencies;
    const unsigned char reply[3] = {0x39, 0xFA, 0xDB}; // -30 dBm
    for (int i = 0; i < cycles; ++i) {
        if (write(master, reply, 3) != 3)
            return 1;
        const Clock::time_point sent = Clock::now();
        unsigned char frame[16];
        ssize_t got = 0;
        while (got < 3) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            const ssize_t n = read(master, frame + got, sizeof frame - static_cast<std::size_t>(got));
            if (n > 0)
                got += n;
            if (Clock::now() - sent > std::chrono::seconds(5))
                return 1;
        }
        latencies.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
    }

    auto *testValue = window.findChild<QLineEdit *>(QStringLiteral("Text1"));
    auto *testButton = window.findChild<QPushButton *>(QStringLiteral("Command5"));
    testValue->setText(QStringLiteral("1.13242"));
    const double cpuStart = cpuSeconds();
    for (int i = 0; i < cycles; ++i)
        testButton->click();
    const double cpuPerReading = (cpuSeconds() - cpuStart) / cycles * 1e6;

    std::printf("reply to update frame over a pseudo-terminal, %d cycles: median %.0f us, 99th percentile %.0f us\n",
                cycles, percentile(latencies, 0.5), percentile(latencies, 0.99));
    std::printf("CPU time per reading, chain with gauge redraw: %.1f us\n", cpuPerReading);
    close(master);
    return 0;
}
