#include "ui/main_window.hpp"

#include "core/settings/calibration_rules.hpp"
#include "core/settings/settings_file.hpp"
#include "gauge/artwork_image.hpp"
#include "gauge/gauge_face.hpp"
#include "support/scripted_dialogs.hpp"
#include "tools/meter_sim/meter_simulator.hpp"
#include "ui/box_label.hpp"
#include "ui/calibration_data.hpp"
#include "ui/remote_controls.hpp"
#include "ui/setup_window.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyle>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

using namespace merolan;

namespace {

class MainWindowTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    AppContext context{Instrument(), std::filesystem::path(dir.path().toStdString()) / "merolan" / "merolan.dat",
                       dialogs};
    MeterSession session{context.instrument};
    ReadingRecorder recorder{context.instrument, session};
    std::unique_ptr<MainWindow> window;

    void store(const MeterSettings &settings) { ASSERT_FALSE(saveSettings(context.settingsFile, settings, '.')); }
    void start() { window = std::make_unique<MainWindow>(context, session, recorder); }

    template <class W>
    W *find(const char *name) const
    {
        W *widget = window->findChild<W *>(QString::fromLatin1(name));
        EXPECT_TRUE(widget) << name;
        return widget;
    }
    QString text(const char *name) const
    {
        if (auto *box = window->findChild<QLineEdit *>(QString::fromLatin1(name)))
            return box->text();
        return find<QLabel>(name)->text();
    }
    bool checked(const char *name) const { return find<QCheckBox>(name)->isChecked(); }
    bool measuring() const { return window->isMeasuring(); }
    int needlePixels() const
    {
        const QImage &image = window->gaugeFace().image();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixelColor(x, y) == QColor(192, 0, 0);
        return count;
    }
};

} // namespace

TEST_F(MainWindowTest, FirstStartWithoutSettingsShowsEmptyBoxesAndCreatesTheFile)
{
    start();
    EXPECT_TRUE(std::filesystem::exists(context.settingsFile));
    EXPECT_EQ(std::filesystem::file_size(context.settingsFile), 0u);
    for (const char *box : {"Text2", "Text3", "Text4", "Text5", "Text6", "Text7", "Text8"}) {
        EXPECT_EQ(text(box), QString()) << box;
        EXPECT_TRUE(find<QLineEdit>(box)->isEnabled()) << box;
    }
    for (const char *box : {"Check1", "Check5", "Check6", "Check7", "Check8", "Check9", "Check10"})
        EXPECT_FALSE(checked(box)) << box;
    EXPECT_EQ(commandMode(context.instrument.setup().settings), 0);
    EXPECT_EQ(context.instrument.setup().settings.attenuatorDbm, SettingValue(std::string()));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(context.instrument.setup().settings.frequencyRange));
    EXPECT_FALSE(measuring());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(find<QComboBox>("Combo1")->currentText(), "Close Port");
    // The one step that makes measuring possible, until the record can measure.
    EXPECT_TRUE(text("StatusLine").contains("\"Create default calibration\"")) << text("StatusLine").toStdString();
    context.instrument.change().settings = factorySettings();
    window->showSettingsInWindows();
    EXPECT_EQ(text("StatusLine"), QString());
}

TEST_F(MainWindowTest, FactorySettingsFillTheControls)
{
    store(factorySettings());
    start();
    EXPECT_EQ(text("Text2"), "0");
    EXPECT_EQ(text("Text3"), "-10");
    EXPECT_EQ(text("Text4"), "-50");
    EXPECT_EQ(text("Text5"), "1.0");
    EXPECT_EQ(text("Text8"), "0");
    EXPECT_TRUE(checked("Check8"));
    EXPECT_TRUE(checked("Check5"));
    EXPECT_FALSE(find<QLineEdit>("Text5")->isEnabled());
    EXPECT_TRUE(find<QLineEdit>("Text3")->isEnabled());
    EXPECT_EQ(text("Label17"), "-10dBm");
    EXPECT_EQ(text("Label15"), "-50dBm");
    // Boxes whose designed text differed now hold their text as text; the others keep their kind.
    EXPECT_EQ(context.instrument.setup().settings.attenuatorDbm, SettingValue(std::int16_t{0}));
    EXPECT_EQ(context.instrument.setup().settings.dbmScaleMin, SettingValue(std::string("-50")));
    EXPECT_EQ(context.instrument.setup().settings.frequencyRange, SettingValue(std::int16_t{1}));
}

TEST_F(MainWindowTest, StoredRangeUnitAndPanelMeterSwitchAreRestored)
{
    MeterSettings s = factorySettings();
    s.frequencyRange = std::int16_t{2};
    s.gaugeUnit = std::int16_t{2};
    s.externalMeterOn = -1;
    store(s);
    start();
    EXPECT_FALSE(checked("Check8"));
    EXPECT_TRUE(checked("Check9"));
    EXPECT_TRUE(checked("Check6"));
    EXPECT_FALSE(checked("Check5"));
    EXPECT_TRUE(find<QLineEdit>("Text5")->isEnabled());
    EXPECT_FALSE(find<QLineEdit>("Text3")->isEnabled());
    EXPECT_EQ(text("Label17"), " 1 W");
    EXPECT_TRUE(checked("Check1"));
    EXPECT_EQ(commandMode(context.instrument.setup().settings), 64);
}

TEST_F(MainWindowTest, OnlyMinusOneSwitchesThePanelMeterOn)
{
    MeterSettings s = factorySettings();
    s.externalMeterOn = 1;
    s.frequencyRange = std::int16_t{4};
    store(s);
    start();
    EXPECT_FALSE(checked("Check1"));
    EXPECT_EQ(commandMode(context.instrument.setup().settings), 0);
    EXPECT_FALSE(checked("Check8") || checked("Check9") || checked("Check10"));
    EXPECT_EQ(context.instrument.setup().settings.frequencyRange, SettingValue(std::int16_t{4}));
    // A box that stays clear runs no reaction, so the stored value survives to the next save.
    EXPECT_EQ(context.instrument.setup().settings.externalMeterOn, 1);
}

TEST_F(MainWindowTest, ACorruptSettingsFileIsReportedOnceAndLeftAlone)
{
    std::filesystem::create_directories(context.settingsFile.parent_path());
    std::vector<char> corrupt(128, 0);
    corrupt[6] = 7;
    std::ofstream(context.settingsFile, std::ios::binary).write(corrupt.data(), 128);
    start();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains(QString::fromStdString(context.settingsFile.string())));
    EXPECT_EQ(text("Text3"), QString());
    std::ifstream in(context.settingsFile, std::ios::binary);
    EXPECT_EQ(std::vector<char>(std::istreambuf_iterator<char>(in), {}), corrupt);
}

TEST_F(MainWindowTest, RangeAndUnitBoxesActAsOneChoice)
{
    store(factorySettings());
    start();
    find<QCheckBox>("Check8")->click(); // unchecking the only one checks it again
    EXPECT_TRUE(checked("Check8"));
    find<QCheckBox>("Check9")->click();
    EXPECT_FALSE(checked("Check8"));
    EXPECT_EQ(context.instrument.setup().settings.frequencyRange, SettingValue(std::int16_t{2}));
    find<QCheckBox>("Check6")->click();
    EXPECT_FALSE(checked("Check5"));
    EXPECT_EQ(context.instrument.setup().settings.gaugeUnit, SettingValue(std::int16_t{2}));
    EXPECT_FALSE(find<QLineEdit>("Text3")->isEnabled());
    EXPECT_TRUE(find<QLineEdit>("Text6")->isEnabled());
}

TEST_F(MainWindowTest, InvalidRangesShowOneMessagePerUnitAndDoNotStart)
{
    store(factorySettings());
    start();
    find<QLineEdit>("Text6")->setText("1");
    find<QLineEdit>("Text8")->setText("2");
    find<QLineEdit>("Text7")->setText("1");
    find<QPushButton>("Command2")->click();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].title, "Screen Gauge Meter Watt-ERROR");
    EXPECT_EQ(dialogs.messages[1].title, "Screen Gauge Meter Volt-ERROR");
    EXPECT_EQ(dialogs.messages[1].text, "Min Scale input level must be lower than Max input RF Level");
    EXPECT_FALSE(measuring());
}

TEST_F(MainWindowTest, TestButtonRunsTheChainWithoutTheMeter)
{
    store(factorySettings());
    start();
    find<QLineEdit>("Text1")->setText("1.52486");
    find<QPushButton>("Command5")->click();
    EXPECT_EQ(text("Label6"), "-10 dBm");
    EXPECT_EQ(text("Label1"), "1.52486");
    EXPECT_DOUBLE_EQ(session.chain().scalePosition, 10);
    EXPECT_GT(needlePixels(), 100);

    find<QLineEdit>("Text1")->setText("abc");
    find<QPushButton>("Command5")->click();
    EXPECT_TRUE(text("StatusLine").contains("abc"));
    EXPECT_EQ(text("Label6"), "-10 dBm");
}

TEST_F(MainWindowTest, AReadingWithoutALevelIsVisiblyNotLive)
{
    store(factorySettings());
    start();
    find<QLineEdit>("Text1")->setText("1.52486");
    find<QPushButton>("Command5")->click();
    find<QLineEdit>("Text2")->setText("abc");
    find<QPushButton>("Command5")->click();
    for (const char *readout : {"Label6", "Label11", "Label12"})
        EXPECT_EQ(text(readout), "-") << readout;
    EXPECT_EQ(needlePixels(), 0);
    auto *status = find<QLabel>("StatusLine");
    EXPECT_TRUE(status->isVisibleTo(window.get()));
    EXPECT_LT(status->geometry().bottom(), 625); // inside the front panel, not the strip below it
    EXPECT_TRUE(status->text().contains("Attenuator (dBm) :")) << status->text().toStdString();

    find<QLineEdit>("Text2")->setText("0");
    find<QPushButton>("Command5")->click();
    EXPECT_EQ(text("Label6"), "-10 dBm");
    EXPECT_EQ(status->text(), QString());
}

TEST_F(MainWindowTest, RelativeModeLendsTheDbmScaleAndGivesItBack)
{
    store(factorySettings());
    start();
    // Unsaved edits that the readings use must survive relative mode.
    find<QLineEdit>("Text2")->setText("20");
    find<QCheckBox>("Check9")->click();
    find<QLineEdit>("Text4")->setText("-60");
    find<QCheckBox>("Check6")->click();
    find<QCheckBox>("Check11")->click();
    EXPECT_TRUE(find<QGroupBox>("Frame1")->isVisibleTo(window.get()));
    EXPECT_EQ(text("Text3"), "20");
    EXPECT_EQ(text("Text4"), "0");
    EXPECT_EQ(text("Label13"), "dB");
    EXPECT_TRUE(checked("Check2"));
    EXPECT_FALSE(find<QCheckBox>("Check7")->isEnabled());

    // A save now keeps the user's dBm scale in the file, not relative mode's 0..20 dB.
    CalibrationEdits edits;
    edits.points.fill(QStringLiteral("1"));
    edits.points[1] = QStringLiteral("0.5");
    edits.warningLevel = QStringLiteral("-5");
    edits.lowReference = QStringLiteral("0");
    edits.highReference = QStringLiteral("1023");
    ASSERT_FALSE(saveEdits(context, edits));
    MeterSettings saved;
    ASSERT_FALSE(loadSettings(context.settingsFile, saved));
    EXPECT_EQ(saved.dbmScaleMax, SettingValue(std::int16_t{-10}));
    EXPECT_EQ(saved.dbmScaleMin, SettingValue(std::string("-60")));

    find<QCheckBox>("Check11")->click();
    EXPECT_FALSE(find<QGroupBox>("Frame1")->isVisibleTo(window.get()));
    EXPECT_EQ(text("Text3"), "-10");
    EXPECT_EQ(text("Text4"), "-60");
    EXPECT_FALSE(checked("Check2"));
    const MeterSettings &now = context.instrument.setup().settings;
    EXPECT_EQ(now.attenuatorDbm, SettingValue(std::string("20")));
    EXPECT_EQ(now.frequencyRange, SettingValue(std::int16_t{2}));
    EXPECT_EQ(now.gaugeUnit, SettingValue(std::int16_t{2}));
    EXPECT_TRUE(checked("Check6") && checked("Check9"));
}

TEST_F(MainWindowTest, ShowingImportedSettingsEndsOnLowAndDbm)
{
    store(factorySettings());
    start();
    find<QCheckBox>("Check11")->click();
    MeterSettings imported = factorySettings();
    imported.frequencyRange = std::int16_t{3};
    imported.gaugeUnit = std::int16_t{3};
    imported.attenuatorDbm = std::string("6");
    imported.dbmScaleMin = std::string("-70");
    context.instrument.change().settings = imported;
    window->showSettingsInWindows();
    EXPECT_TRUE(checked("Check8"));
    EXPECT_TRUE(checked("Check5"));
    EXPECT_EQ(context.instrument.setup().settings.frequencyRange, SettingValue(std::int16_t{1}));
    EXPECT_EQ(context.instrument.setup().settings.gaugeUnit, SettingValue(std::int16_t{1}));
    EXPECT_EQ(text("Text2"), "6");
    EXPECT_FALSE(find<QLineEdit>("Text7")->isEnabled());
    // relative mode ends on the imported scale, not on the one it borrowed before the import
    find<QCheckBox>("Check11")->click();
    EXPECT_EQ(text("Text4"), "-70");
    EXPECT_EQ(context.instrument.setup().settings.attenuatorDbm, SettingValue(std::string("6")));
}

namespace {

// The share of a widget's pixels on screen that are exactly the colour.
double shareOf(QWidget *widget, QColor colour)
{
    const QImage shot = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    qsizetype hits = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            hits += shot.pixelColor(x, y) == colour;
    return static_cast<double>(hits) / static_cast<double>(shot.width() * shot.height());
}

// A widget as it paints itself, without its children; its picture starts inside its border.
QImage paintedAlone(QWidget *widget)
{
    QImage shot(widget->size(), QImage::Format_RGB32);
    widget->render(&shot, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return shot;
}

// How many pixels of the picture's area differ from the image showing the picture at the offset.
int differingPixels(const QImage &shown, QPoint shownAt, const QImage &picture, const QRect &area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += shown.pixel(shownAt + QPoint(x, y)) != picture.pixel(x, y);
    return count;
}

} // namespace

TEST_F(MainWindowTest, OpensUnderItsTitleWithTheStartButtonInTheStoppedColour)
{
    start();
    window->show();
    EXPECT_EQ(window->windowTitle(), "MEROLAN - RF Power Meter");
    auto *startButton = find<QPushButton>("Command2");
    EXPECT_EQ(startButton->palette().color(QPalette::Button), QColor(255, 192, 192));
    EXPECT_GT(shareOf(startButton, QColor(255, 192, 192)), 0.5);
}

// Each picture box shows its picture pixel for pixel from the top left inside its border, and
// lies on the pixels of the picture beneath that its picture was drawn over (the bottom rows
// compare: the panel's glass reflection lies over the face's top). The designed boxes and the
// pictures differ by a pixel, never more: the panel's client area is a column narrower and a
// row taller than its picture, the lamp's box a row shorter, where its picture is bare face.
TEST_F(MainWindowTest, EveryPictureBoxShowsItsPictureWhereItWasDrawn)
{
    start();
    const struct {
        const char *box;
        const char *picture;
        const char *beneath;
        const char *beneathPicture;
    } cases[] = {
        {"Picture1", "front_panel", nullptr, nullptr},
        {"Picture2", "gauge_face", "Picture1", "front_panel"},
        {"Picture3", "warning_lamp", "Picture2", "gauge_face"},
    };
    const auto load = [](const char *name) {
        return artworkImage(QString::fromLatin1(name), 1).convertToFormat(QImage::Format_RGB32);
    };
    for (const auto &c : cases) {
        QWidget *box = find<QWidget>(c.box);
        const QImage picture = load(c.picture);
        ASSERT_FALSE(picture.isNull()) << c.picture;
        const QRect inside = box->contentsRect();
        const QRect shown = picture.rect() & QRect(QPoint(0, 0), inside.size());
        const QSize cut = picture.size() - shown.size(), bare = inside.size() - shown.size();
        EXPECT_TRUE(cut.width() <= 1 && cut.height() <= 1 && bare.width() <= 1 && bare.height() <= 1) << c.box;
        EXPECT_EQ(differingPixels(paintedAlone(box), inside.topLeft(), picture, shown), 0) << c.box;
        if (!c.beneath)
            continue;
        const QWidget *under = find<QWidget>(c.beneath);
        const QPoint at = box->mapTo(under, QPoint(0, 0)) - under->contentsRect().topLeft();
        const QRect bottomRow(0, picture.height() - 1, picture.width(), 1);
        EXPECT_EQ(differingPixels(load(c.beneathPicture), at, picture, bottomRow), 0) << c.box << " on " << c.beneath;
    }
}

namespace {

// The window measuring a simulated meter on "Com 1".
class MeasuringSession : public MainWindowTest
{
protected:
    MeterSimulator meter;
    QSignalSpy frames{&meter, &MeterSimulator::frameReceived};

    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(meter.openPseudoTerminal(&error)) << error.toStdString();
        context.ports.overrides.insert(1, meter.devicePath());
        store(factorySettings());
        start();
        emit find<QComboBox>("Combo1")->textActivated(QStringLiteral("Com 1"));
        ASSERT_TRUE(session.isPortOpen());
    }

    // Waits for the next frame of the given kind (poll or update) and returns it.
    QByteArray nextFrame(bool poll)
    {
        for (int i = 0; i < 100; ++i) {
            if (frames.isEmpty() && !frames.wait(5000))
                return {};
            QByteArray frame = frames.takeFirst().at(0).toByteArray();
            if (((static_cast<unsigned char>(frame[0]) & 0x80) != 0) == poll)
                return frame;
        }
        return {};
    }
};

} // namespace

TEST_F(MeasuringSession, ReadingsMoveReadoutsNeedleAndPanelMeter)
{
    meter.setLevelDbm(-30);
    find<QPushButton>("Command2")->click();
    EXPECT_EQ(nextFrame(true), QByteArray("\x80\x00\x00", 3));
    EXPECT_EQ(nextFrame(false), QByteArray("\x00\x00\x80", 3)); // position 5: PWM 512
    EXPECT_TRUE(QTest::qWaitFor([&] { return text("Label6") == "-30 dBm"; }, 5000));
    EXPECT_EQ(find<QPushButton>("Command2")->palette().color(QPalette::Button), QColor(192, 255, 192));
    EXPECT_GT(shareOf(find<QPushButton>("Command2"), QColor(192, 255, 192)), 0.5);
    EXPECT_GT(needlePixels(), 100);
    EXPECT_EQ(text("Label2").size(), 8);

    find<QLineEdit>("Text2")->setText("1"); // editing the attenuator stops polling at once
    EXPECT_FALSE(measuring());
    EXPECT_EQ(find<QPushButton>("Command2")->palette().color(QPalette::Button), QColor(255, 192, 192));
    EXPECT_TRUE(session.isPortOpen());
}

TEST_F(MeasuringSession, LampLightsOnTheFourthReadingAboveTheWarningLevel)
{
    meter.setLevelDbm(0); // above the factory warning level of -5 dBm
    QSignalSpy replies(&meter, &MeterSimulator::replySent);
    auto *lamp = find<QLabel>("Picture3");
    find<QPushButton>("Command2")->click();
    for (int reading = 1; reading <= 3; ++reading) {
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return replies.count() >= reading && session.chain().warningCount == reading; }, 5000));
        EXPECT_FALSE(lamp->isVisibleTo(window.get())) << reading;
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return lamp->isVisibleTo(window.get()); }, 5000));
}

TEST_F(MeasuringSession, ClosePortStopsPollsAndClosesLater)
{
    meter.setLevelDbm(-30);
    find<QPushButton>("Command2")->click();
    ASSERT_FALSE(nextFrame(true).isEmpty());
    emit find<QComboBox>("Combo1")->textActivated(QStringLiteral("Close Port"));
    EXPECT_FALSE(measuring());
    EXPECT_TRUE(session.isPortOpen());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !session.isPortOpen(); }, 5000));
}

TEST_F(MeasuringSession, PollingAClosedPortStopsAndTellsOnce)
{
    session.release();
    find<QPushButton>("Command2")->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialogs.messages.empty(); }, 5000));
    EXPECT_FALSE(measuring());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(frames.isEmpty());
}

TEST_F(MeasuringSession, TurboSpeedShortensThePollIntervalWithoutStopping)
{
    find<QPushButton>("Command2")->click();
    find<QCheckBox>("Check4")->click();
    EXPECT_EQ(session.pollInterval(), kTurboPollInterval);
    EXPECT_TRUE(measuring());
    find<QCheckBox>("Check4")->click();
    EXPECT_EQ(session.pollInterval(), kPollInterval);
}

TEST_F(MeasuringSession, ChoosingAnotherPortWhileMeasuringPollsThere)
{
    MeterSimulator second;
    QString error;
    ASSERT_TRUE(second.openPseudoTerminal(&error)) << error.toStdString();
    QSignalSpy secondFrames(&second, &MeterSimulator::frameReceived);
    context.ports.overrides.insert(2, second.devicePath());
    find<QPushButton>("Command2")->click();
    ASSERT_FALSE(nextFrame(true).isEmpty());
    emit find<QComboBox>("Combo1")->textActivated(QStringLiteral("Com 2"));
    EXPECT_TRUE(measuring());
    EXPECT_TRUE(secondFrames.wait(5000));
    EXPECT_EQ(session.portName(), "Com 2");
}

TEST_F(MainWindowTest, AMissingPortIsNamedAndTheListGoesBackToClosePort)
{
    context.ports.overrides.insert(3, dir.filePath(QStringLiteral("no-such-device")));
    start();
    auto *combo = find<QComboBox>("Combo1");
    combo->setCurrentIndex(3);
    emit combo->textActivated(QStringLiteral("Com 3"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains("Com 3"));
    EXPECT_TRUE(dialogs.messages[0].text.contains("no-such-device"));
    EXPECT_EQ(combo->currentText(), "Close Port");
    EXPECT_FALSE(session.isPortOpen());
}

TEST_F(MeasuringSession, TheListNamesDevicesAndIgnoresTheWheel)
{
    auto *combo = find<QComboBox>("Combo1");
    EXPECT_EQ(combo->itemData(1, Qt::ToolTipRole).toString(), meter.devicePath());
    EXPECT_TRUE(combo->toolTip().contains(meter.devicePath()));

    const int before = combo->currentIndex();
    QSignalSpy chosen(combo, &QComboBox::textActivated);
    QWheelEvent wheel(QPointF(5, 5), combo->mapToGlobal(QPointF(5, 5)), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(combo, &wheel);
    // Neither a typed entry nor the arrow keys on the closed list open a port.
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("Com 1"));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QTest::keyClick(combo, Qt::Key_Down);
    combo->hidePopup();
    EXPECT_EQ(chosen.count(), 0);
    EXPECT_EQ(combo->currentIndex(), before);
}

TEST_F(MeasuringSession, AVanishedMeterIsReportedOnceWithWhatItStopped)
{
    for (const bool measuringThen : {false, true}) {
        if (measuringThen) {
            QString error;
            ASSERT_TRUE(meter.openPseudoTerminal(&error)) << error.toStdString();
            context.ports.overrides.insert(1, meter.devicePath());
            emit find<QComboBox>("Combo1")->textActivated(QStringLiteral("Com 1"));
            find<QPushButton>("Command2")->click();
            ASSERT_FALSE(nextFrame(true).isEmpty());
        }
        dialogs.messages.clear();
        meter.close();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.messages.empty(); }, 5000));
        const QString said = dialogs.messages[0].text;
        EXPECT_EQ(said.contains("Measuring has stopped"), measuringThen) << said.toStdString();
        EXPECT_EQ(said.count("again"), 1) << said.toStdString();
        EXPECT_FALSE(measuring());
        EXPECT_EQ(find<QComboBox>("Combo1")->currentText(), "Close Port");
    }
}

namespace {

// Where a label draws its text, in its container's coordinates.
QRect textRect(const QLabel *label)
{
    const QRect drawn = label->style()->itemTextRect(label->fontMetrics(), label->contentsRect(),
                                                     static_cast<int>(label->alignment()), true, label->text());
    return drawn.translated(label->pos());
}

} // namespace

TEST_F(MainWindowTest, CaptionsAreLevelWithTheirBoxes)
{
    start();
    const std::pair<const char *, const char *> pairs[] = {
        {"Check1", "Label23"},  {"Check4", "Label27"}, {"Check3", "Label28"},  {"Check2", "Label29"},
        {"Check11", "Label31"}, {"Check5", "Label13"}, {"Check6", "Label21"},  {"Check7", "Label22"},
        {"Check8", "Label24"},  {"Check9", "Label25"}, {"Check10", "Label26"},
    };
    for (const auto &[boxName, captionName] : pairs) {
        const QWidget *box = find<QCheckBox>(boxName);
        const QLabel *caption = find<QLabel>(captionName);
        EXPECT_EQ(caption->parentWidget(), box->parentWidget()) << captionName;
        EXPECT_LE(std::abs(textRect(caption).center().y() - box->geometry().center().y()), 2) << captionName;
    }
}

TEST_F(MainWindowTest, ReadoutsKeepRoomForTheirLongestText)
{
    start();
    for (const char *name : {"Label6", "Label11", "Label12"}) {
        const QLabel *readout = find<QLabel>(name);
        const int room = readout->contentsRect().width() - readout->fontMetrics().horizontalAdvance("-107.08 dBm");
        EXPECT_GE(room, 12) << name;
    }
}

namespace {

// Runs once more at the scales 1.25, 1.5 and 2, like every suite named *AtScreenScale.
class MainWindowAtScreenScale : public MainWindowTest
{
};

// Whether some device row (or column, for an upright band) inside the band of window pixels
// has the colour from end to end.
bool bandDrawn(const QImage &shot, const QRectF &band, qreal ratio, QRgb ink)
{
    const QRectF device(band.topLeft() * ratio, band.size() * ratio);
    // The device pixels whose centres lie inside.
    const int left = static_cast<int>(std::ceil(device.left() - 0.5)),
              right = static_cast<int>(std::ceil(device.right() - 0.5));
    const int top = static_cast<int>(std::ceil(device.top() - 0.5)),
              bottom = static_cast<int>(std::ceil(device.bottom() - 0.5));
    const bool across = band.width() > band.height();
    for (int line = across ? top : left; line < (across ? bottom : right); ++line) {
        bool whole = true;
        for (int along = across ? left : top; whole && along < (across ? right : bottom); ++along)
            whole = (across ? shot.pixel(along, line) : shot.pixel(line, along)) == ink;
        if (whole)
            return true;
    }
    return false;
}

} // namespace

TEST_F(MainWindowAtScreenScale, ShowsEveryBoxWholeAndThePicturesInDevicePixels)
{
    store(factorySettings());
    start();
    window->resize(window->width(), window->childrenRect().bottom() + 1); // the diagnostic strip too
    window->show();
    const qreal ratio = window->devicePixelRatioF();
    const QImage shot = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shot.width(), std::lround(window->width() * ratio)); // 2010 at scale 2
    for (const char *name : {"Picture1", "Picture3"})
        EXPECT_EQ(find<QLabel>(name)->pixmap().devicePixelRatio(), ratio) << name;

    int boxes = 0;
    for (const BoxLabel *box : window->findChildren<BoxLabel *>()) {
        if (!box->isVisibleTo(window.get()))
            continue;
        ++boxes;
        const QRectF area(box->mapTo(window.get(), QPoint(0, 0)), box->size());
        const QRgb ink = box->palette().color(QPalette::WindowText).rgb();
        const QRectF sides[] = {
            {area.left() + 2, area.top(), area.width() - 4, 1},
            {area.left() + 2, area.bottom() - 1, area.width() - 4, 1},
            {area.left(), area.top() + 2, 1, area.height() - 4},
            {area.right() - 1, area.top() + 2, 1, area.height() - 4},
        };
        for (const QRectF &side : sides)
            EXPECT_TRUE(bandDrawn(shot, side, ratio, ink))
                << box->objectName().toStdString() << " side " << side.x() << "," << side.y();
    }
    EXPECT_GE(boxes, 10);
}

namespace {

// What a control takes of its container. A caption, a plain label with a fixed text, takes
// only the text it draws: its rectangle is drawn generously and may reach into the control
// beside it. Everything else, the message lines among them, takes its whole rectangle.
QRect footprint(const QWidget *control)
{
    const auto *label = qobject_cast<const QLabel *>(control);
    const bool caption = label && label->metaObject() == &QLabel::staticMetaObject && !label->autoFillBackground() &&
                         label->objectName() != "StatusLine" && label->objectName() != "LinkStatus";
    return caption ? textRect(label) : control->geometry();
}

} // namespace

// The panel lies whole in the window as it opens, every control lies inside its container
// (the panel's client area, the face, the relative measurement frame) and none covers another
// there; a control inside a container overlaps only the container.
TEST_F(MainWindowTest, PanelControlsNeitherOverlapNorLeaveTheirContainer)
{
    start();
    EXPECT_TRUE(window->rect().contains(find<QWidget>("Picture1")->geometry()));
    for (const char *name : {"Picture1Client", "Picture2", "Frame1"}) {
        const QWidget *container = find<QWidget>(name);
        const QList<QWidget *> controls = container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        EXPECT_FALSE(controls.isEmpty()) << name;
        for (qsizetype i = 0; i < controls.size(); ++i) {
            const QWidget *control = controls[i];
            const std::string which = control->objectName().toStdString();
            EXPECT_TRUE(container->rect().contains(control->geometry())) << which << " leaves " << name;
            EXPECT_TRUE(control->geometry().contains(footprint(control))) << which << " cuts its text";
            for (qsizetype j = i + 1; j < controls.size(); ++j)
                EXPECT_FALSE(footprint(control).intersects(footprint(controls[j])))
                    << which << " and " << controls[j]->objectName().toStdString();
        }
    }
}

TEST_F(MeasuringSession, RecordTrendAndLinkStatusFollowTheLine)
{
    const auto status = [this] { return text("LinkStatus"); };
    EXPECT_EQ(status(), QStringLiteral("Com 1 · %1 · not measuring").arg(meter.devicePath()));

    dialogs.fileAnswers.push_back(dir.filePath(QStringLiteral("bench.csv")));
    find<QPushButton>("RecordButton")->click();
    EXPECT_EQ(find<QPushButton>("RecordButton")->text(), "Stop Record");
    meter.setLevelDbm(-30);
    find<QCheckBox>("Check4")->setChecked(true);
    find<QPushButton>("Command2")->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return status().contains(QStringLiteral("readings/s")); }, 5000));
    EXPECT_TRUE(
        status().contains(QRegularExpression(QStringLiteral("Recording bench\\.csv · \\d+:\\d\\d · \\d+ rows?$"))))
        << status().toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("bench.csv"))));

    meter.setFault(MeterSimulator::Fault::Silent); // polling goes on, and the line says so
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return status().contains(QStringLiteral("No answer from the meter for")); }, 5000));
    EXPECT_TRUE(measuring());

    find<QPushButton>("RecordButton")->click();
    EXPECT_EQ(find<QPushButton>("RecordButton")->text(), "Record");
    EXPECT_FALSE(status().contains(QStringLiteral("Recording")));

    find<QPushButton>("TrendButton")->click();
    const auto windows = QApplication::topLevelWidgets();
    EXPECT_TRUE(std::any_of(windows.begin(), windows.end(), [](const QWidget *w) {
        return w->objectName() == QLatin1String("TrendWindow") && w->isVisible();
    }));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MeasuringSession, ReadoutsThatAreNotLiveAreGreyedAndSayWhy)
{
    const auto colour = [this](const char *name) { return find<QLabel>(name)->palette().color(QPalette::WindowText); };
    const auto status = [this] { return text("StatusLine"); };
    meter.setLevelDbm(-30);
    find<QCheckBox>("Check4")->setChecked(true);
    find<QPushButton>("Command2")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return text("Label6") == "-30 dBm"; }, 5000));
    EXPECT_EQ(colour("Label6"), QColor(255, 255, 192));

    meter.setFault(MeterSimulator::Fault::Silent);
    ASSERT_TRUE(QTest::qWaitFor([&] { return status().contains("the meter does not answer"); }, 5000));
    for (const char *name : {"Label6", "Label11", "Label12"})
        EXPECT_EQ(colour(name), QColor(140, 140, 140)) << name;
    EXPECT_EQ(text("Label6"), "-30 dBm"); // still readable
    EXPECT_EQ(needlePixels(), 0);
    EXPECT_TRUE(status().startsWith("Not live since ")) << status().toStdString();

    meter.setFault(MeterSimulator::Fault::None);
    ASSERT_TRUE(QTest::qWaitFor([&] { return colour("Label6") == QColor(255, 255, 192); }, 5000));
    EXPECT_GT(needlePixels(), 100);
    EXPECT_EQ(status(), QString());

    find<QLineEdit>("Text2")->setText("0.0");
    EXPECT_EQ(colour("Label11"), QColor(140, 140, 140));
    EXPECT_TRUE(status().contains("attenuator")) << status().toStdString();
}

TEST_F(MeasuringSession, ExitEndsTheProgramWithItsTrendAndTheLogOnItsLastRow)
{
    window->show();
    dialogs.fileAnswers.push_back(dir.filePath(QStringLiteral("exit.csv")));
    find<QPushButton>("RecordButton")->click();
    find<QPushButton>("TrendButton")->click();
    find<QPushButton>("Command2")->click();
    QSignalSpy rows(&recorder, &ReadingRecorder::recordAppended);
    ASSERT_TRUE(rows.wait(5000));
    find<QPushButton>("Command1")->click();
    const auto windows = QApplication::topLevelWidgets();
    EXPECT_TRUE(std::none_of(windows.begin(), windows.end(), [](const QWidget *w) { return w->isVisible(); }));
    EXPECT_FALSE(recorder.isRecording());
    QFile log(dir.filePath(QStringLiteral("exit.csv")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().endsWith('\n'));
}

TEST_F(MainWindowTest, LimitBoxesReadSiPrefixesAndMarkWhatTheyDoNotUnderstand)
{
    store(factorySettings());
    start();
    auto *wattMax = find<QLineEdit>("Text5");
    find<QCheckBox>("Check6")->click();
    const QColor normal = wattMax->palette().color(QPalette::Base);
    wattMax->setText("10x");
    EXPECT_NE(wattMax->palette().color(QPalette::Base), normal);
    EXPECT_TRUE(text("StatusLine").contains("10x")) << text("StatusLine").toStdString();
    wattMax->setText("10m");
    EXPECT_EQ(wattMax->palette().color(QPalette::Base), normal);
    EXPECT_EQ(text("StatusLine"), QString());
    EXPECT_EQ(context.instrument.setup().settings.wattScaleMax, SettingValue(std::string("10m"))); // stored as typed
    EXPECT_EQ(text("Label17"), "0.01 W");
}

// A test tool reads through the window's session, and the window shows what it measured; the
// user stays in charge of every setting.
TEST_F(MeasuringSession, RemoteClientsReadThroughTheWindowWhichStaysInCharge)
{
    meter.setLevelDbm(-30);
    RemoteControls &remote = window->remoteControls();
    ASSERT_FALSE(remote.serve({QHostAddress(QHostAddress::LocalHost), 0}));
    EXPECT_TRUE(find<QPushButton>("RemoteButton")->isChecked());
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, remote.address().section(u':', -1).toUShort());
    ASSERT_TRUE(client.waitForConnected(5000));
    const auto query = [&client](const QByteArray &message) {
        client.write(message + '\n');
        return QTest::qWaitFor([&] { return client.canReadLine(); }, 5000) ? client.readLine().trimmed() : QByteArray();
    };

    EXPECT_EQ(query("MEAS?"), "-3.000000E+01");
    EXPECT_TRUE(text("Label6").contains("-30")) << text("Label6").toStdString();
    // While the window measures, a query takes its next reading.
    find<QPushButton>("Command2")->click();
    EXPECT_EQ(query("MEAS?"), "-3.000000E+01");
    EXPECT_TRUE(measuring());
    EXPECT_EQ(query("SENS:CORR:GAIN2 3;:SYST:ERR?"), "-221,\"Settings conflict; the window is in charge\"");
    EXPECT_EQ(context.instrument.setup().settings.attenuatorDbm, factorySettings().attenuatorDbm);
    EXPECT_TRUE(QTest::qWaitFor([&] { return text("LinkStatus").contains("(1 client)"); }, 5000))
        << text("LinkStatus").toStdString();
    EXPECT_TRUE(text("LinkStatus").contains("Remote " + remote.address()));

    find<QPushButton>("RemoteButton")->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return client.state() == QAbstractSocket::UnconnectedState; }, 5000));
    EXPECT_FALSE(text("LinkStatus").contains("Remote"));
}

// The accuracy setup applies to the next reading, shows how many readings the level stands on,
// and is there again after a restart.
TEST_F(MeasuringSession, TheSetupCorrectsAndAveragesTheReadingsAndSurvivesARestart)
{
    meter.setLevelDbm(-30);
    const QString table = dir.filePath(QStringLiteral("cable.csv"));
    const QString broken = dir.filePath(QStringLiteral("broken.csv"));
    std::ofstream(table.toStdString()) << "frequency_hz,correction_db\n1e8,1\n3e8,3\n";
    std::ofstream(broken.toStdString()) << "1e8,1\n1e8,2\n";
    find<QPushButton>("SetupButton")->click();
    SetupWindow *setup = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        setup = setup ? setup : qobject_cast<SetupWindow *>(top);
    ASSERT_TRUE(setup);
    setup->findChild<QSpinBox *>(QStringLiteral("AverageBox"))->setValue(4);
    auto *frequency = setup->findChild<QLineEdit *>(QStringLiteral("FrequencyBox"));
    frequency->setText(QStringLiteral("200M"));
    emit frequency->editingFinished();
    dialogs.fileAnswers = {table, broken};
    setup->findChild<QPushButton *>(QStringLiteral("ChooseTableButton"))->click();
    setup->findChild<QPushButton *>(QStringLiteral("ChooseTableButton"))->click();
    ASSERT_EQ(dialogs.messages.size(), 1u); // the broken table is refused, the first stays
    EXPECT_TRUE(dialogs.messages[0].text.contains("stands in the table twice"))
        << dialogs.messages[0].text.toStdString();
    EXPECT_TRUE(setup->findChild<QLabel *>(QStringLiteral("CorrectionNow"))->text().contains("+2.000 dB"));
    EXPECT_EQ(setup->findChild<QPlainTextEdit *>(QStringLiteral("TablePoints"))->toPlainText().count(u'\n'), 2);

    find<QPushButton>("Command2")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return text("AverageLabel") == "avg 2/4"; }, 5000))
        << text("AverageLabel").toStdString();
    EXPECT_TRUE(text("Label6").contains("-28")) << text("Label6").toStdString(); // -30 dBm and 2 dB of cable

    window->close();
    context.instrument = Instrument();
    start();
    EXPECT_EQ(context.instrument.setup().accuracy.averagedReadings(), 4);
    EXPECT_EQ(context.instrument.setup().accuracy.frequencyHz, 2e8);
    EXPECT_TRUE(context.instrument.setup().accuracy.table);
}
