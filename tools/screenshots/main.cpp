// Renders the three windows offscreen into PNG files for the README:
//   merolan_screenshots OUTPUT_FOLDER
#include "core/settings_file.hpp"
#include "link/meter_session.hpp"
#include "ui/app_context.hpp"
#include "ui/main_window.hpp"
#include "ui/user_dialogs.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

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

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: merolan_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(folder.path());

    QTemporaryDir settingsDir;
    SilentDialogs dialogs;
    AppContext context{AppState{}, std::filesystem::path(settingsDir.path().toStdString()) / "merolan.dat", dialogs};
    if (saveSettings(context.settingsFile, factorySettings(), '.'))
        return 1;

    MeterSession session(context.state);
    MainWindow main(context, session);
    main.resize(main.width(), 720); // tall enough to show the diagnostic strip too
    main.findChild<QCheckBox *>(QStringLiteral("Check2"))->setChecked(true);
    main.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("1.25"));
    main.findChild<QPushButton *>(QStringLiteral("Command5"))->click();
    bool ok = save(&main, folder, "main_window.png");

    main.findChild<QPushButton *>(QStringLiteral("Command3"))->click();
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("Form2"))
            ok = save(window, folder, "calibration_window.png") && ok;
    main.findChild<QPushButton *>(QStringLiteral("Command4"))->click();
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("Form3"))
            ok = save(window, folder, "info_window.png") && ok;
    return ok ? 0 : 1;
}
