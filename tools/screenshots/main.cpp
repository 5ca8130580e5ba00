// Renders the windows offscreen into PNG files for the README:
//   merolan_screenshots OUTPUT_FOLDER [MAIN_WINDOW_FILE]
// With a file name, only the main window is rendered, into that file: with QT_SCALE_FACTOR
// set, it shows the window as a high-density screen gets it.
#include "core/reading/conversion.hpp"
#include "core/history/reading_history.hpp"
#include "core/settings/settings_file.hpp"
#include "link/meter_session.hpp"
#include "link/reading_recorder.hpp"
#include "ui/app_context.hpp"
#include "ui/main_window.hpp"
#include "ui/project_page.hpp"
#include "ui/project_page_places.hpp"
#include "ui/trend_chart.hpp"
#include "ui/user_dialogs.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <cmath>
#include <cstdio>

using namespace merolan;

namespace {

bool save(QWidget *window, const QDir &folder, const char *name)
{
    window->show();
    QApplication::processEvents();
    const QString path = folder.filePath(QString::fromLatin1(name));
    if (!window->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Three wheel notches closer around the middle of the run, and the pointer left there, so the
// cursor readout names the reading under it.
void zoomInAndPoint(TrendChart &chart)
{
    const QRectF plot = chart.chart()->plotArea();
    const QPoint at =
        chart.mapFromScene(chart.chart()->mapToScene(QPointF(plot.left() + plot.width() * 0.6, plot.center().y())));
    QWheelEvent closer(at, chart.mapToGlobal(at), {}, {0, 3 * 120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                       false);
    QApplication::sendEvent(chart.viewport(), &closer);
    QMouseEvent move(QEvent::MouseMove, at, chart.mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(chart.viewport(), &move);
}

// Ten minutes of an amplifier warming up, read three times a second, with a few seconds where
// the attenuator box held no number.
void fillWarmUpRun(ReadingRecorder &recorder)
{
    const std::int64_t start = 1'796'810'400'000; // 2026-12-09 10:00 UTC
    for (int i = 0; i < 1800; ++i) {
        ReadingRecord record;
        record.timeUtcMs = start + i * 1000 / 3;
        record.elapsedS = i / 3.0;
        record.range = 1;
        if (i >= 900 && i < 912) {
            record.note = "The attenuator \"1O\" is not a number.";
        } else {
            const double t = record.elapsedS;
            const double level =
                -12.0 + 2.5 * (1.0 - std::exp(-t / 150.0)) + 0.4 * std::sin(t / 9.0) + 0.15 * std::sin(t * 1.7);
            record.levelDbm = level;
            record.powerW = wattFromDbm(level);
            record.rmsV = rmsVoltFromWatt(*record.powerW);
            record.attenuatorDb = 0;
        }
        recorder.keep(record);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TZ", "UTC"); // the same clock on the trend's axis wherever it is rendered
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: merolan_screenshots OUTPUT_FOLDER [MAIN_WINDOW_FILE]\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(folder.path());

    QTemporaryDir settingsDir;
    SilentDialogs dialogs;
    AppContext context{Instrument(), std::filesystem::path(settingsDir.path().toStdString()) / "merolan.dat", dialogs};
    if (saveSettings(context.settingsFile, factorySettings(), '.'))
        return 1;

    MeterSession session(context.instrument);
    ReadingRecorder recorder(context.instrument, session);
    MainWindow main(context, session, recorder);
    main.resize(main.width(), 720); // tall enough to show the diagnostic strip too
    main.findChild<QCheckBox *>(QStringLiteral("Check2"))->setChecked(true);
    main.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("1.25"));
    main.findChild<QPushButton *>(QStringLiteral("Command5"))->click();
    if (argc == 3)
        return save(&main, folder, argv[2]) ? 0 : 1;
    bool ok = save(&main, folder, "main_window.png");

    main.findChild<QPushButton *>(QStringLiteral("Command3"))->click();
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("Form2"))
            ok = save(window, folder, "calibration_window.png") && ok;
    // Opening the calibration window stopped measuring: the readouts stay readable, greyed.
    ok = save(&main, folder, "main_window_not_live.png") && ok;
    main.findChild<QPushButton *>(QStringLiteral("Command4"))->click();
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("Form3")) {
            // As the installed program shows it, not with this build tree's path.
            window->findChild<QLabel *>(QStringLiteral("Label2"))
                ->setText(projectPageAddress(QString::fromUtf8(kProjectWebAddress), QStringLiteral("/usr/bin")));
            ok = save(window, folder, "info_window.png") && ok;
        }

    fillWarmUpRun(recorder);
    main.findChild<QPushButton *>(QStringLiteral("TrendButton"))->click();
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->objectName() != QLatin1String("TrendWindow"))
            continue;
        auto *span = window->findChild<QComboBox *>(QStringLiteral("spanBox"));
        span->setCurrentIndex(span->findText(QStringLiteral("10 min")));
        ok = save(window, folder, "trend_window.png") && ok;
        zoomInAndPoint(*window->findChild<TrendChart *>());
        ok = save(window, folder, "trend_window_zoomed.png") && ok;
    }

    main.findChild<QPushButton *>(QStringLiteral("SetupButton"))->click();
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("SetupWindow"))
            ok = save(window, folder, "setup_window.png") && ok;
    return ok ? 0 : 1;
}
