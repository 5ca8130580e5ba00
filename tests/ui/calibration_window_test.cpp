#include "ui/calibration_window.hpp"

#include "core/settings/calibration_rules.hpp"
#include "core/settings/settings_file.hpp"
#include "link/meter_session.hpp"
#include "tests/link/meter_line.hpp"
#include "tests/support/scripted_dialogs.hpp"
#include "ui/app_context.hpp"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace merolan;
using namespace merolan::testing;

namespace {

// The factory record as it must lie in the file, before the 16 bytes of padding.
const QByteArray kFactoryFields =
    QByteArray::fromHex("0000 ff03 0000 02000000 0200f6ff 0200ceff 02000100 0300312e30 0300312e30 0800010030 0800010030"
                        " 02000100 080002002d35 05002fa86f99d365f83f 0500e7357689eaade73f 050045bb0a293fa9f83f"
                        " 0500e9f17b9bfeece83f 0500cc28965b5a8df83f 05009eb5db2e34d7ea3f");

// A settings file in a folder of its own, scripted dialogs, recorded hooks, the measuring session
// (with no port open) and the window.
struct CalibrationSetup {
    CalibrationSetup() : previousConfigHome(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", configHome.path().toUtf8());
        context.settingsFile = path("merolan/merolan.dat");
        context.instrument.change().settings = factorySettings();
    }
    ~CalibrationSetup()
    {
        delete window.data();
        if (previousConfigHome.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", previousConfigHome);
    }

    std::filesystem::path path(const QString &name) const { return (configHome.path() + '/' + name).toStdString(); }
    void open()
    {
        delete window.data();
        window = new CalibrationWindow(context, session, hooks);
        window->show();
    }
    template <class T = QPushButton>
    T *control(const char *name) const
    {
        T *found = window->findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void click(const char *button) const { QTest::mouseClick(control(button), Qt::LeftButton); }
    void edit(const char *box, const QString &text) const { control<QLineEdit>(box)->setText(text); }
    QString text(const char *name) const { return control<QWidget>(name)->property("text").toString(); }
    // Closing hides at once and destroys the window a moment later.
    bool closed()
    {
        return QTest::qWaitFor([this] { return window.isNull(); }, kTimeoutMs);
    }
    bool stillOpen() const { return window && window->isVisible(); }
    QByteArray fileBytes() const
    {
        QFile file(QString::fromStdString(context.settingsFile.string()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QByteArray previousConfigHome;
    QTemporaryDir configHome;
    ScriptedDialogs dialogs;
    AppContext context{{}, {}, dialogs};
    MeterSession session{context.instrument};
    int settingsShown = 0;
    std::vector<bool> meterChecks;
    CalibrationHooks hooks{[this] { ++settingsShown; }, [this](bool on) { meterChecks.push_back(on); }};
    QPointer<CalibrationWindow> window;
};

class CalibrationWindowTest : public ::testing::Test
{
protected:
    CalibrationSetup cal;
};

// The window's session talking to a simulated meter on "Com 1".
class CalibrationWindowLine : public SimulatedMeter
{
protected:
    void SetUp() override
    {
        SimulatedMeter::SetUp();
        cal.session.openDevice(meter.devicePath(), "Com 1");
        ASSERT_TRUE(cal.session.isPortOpen());
    }

    CalibrationSetup cal;
};

} // namespace

TEST_F(CalibrationWindowTest, OpensWithTheStoredSettingsInTheLocaleForm)
{
    cal.context.instrument.change().decimalSeparator = ',';
    cal.open();
    const std::pair<const char *, const char *> shown[] = {
        {"Label1", "0"},      {"Label2", "1023"},   {"Text1", "1,52486"}, {"Text2", "0,73998"}, {"Text3", "1,54132"},
        {"Text4", "0,77893"}, {"Text5", "1,53451"}, {"Text6", "0,83877"}, {"Text7", "-5"},
    };
    for (auto [name, text] : shown)
        EXPECT_EQ(cal.text(name), text) << name;
    EXPECT_EQ(cal.window->size(), QSize(555, 480));
    const std::pair<const char *, QRect> placed[] = {
        {"Label2", {416, 68, 85, 17}},
        {"Command12", {60, 52, 61, 17}},
        {"Text7", {52, 20, 121, 19}},
        {"Command18", {432, 440, 113, 25}},
    };
    for (const auto &[name, rect] : placed)
        EXPECT_EQ(cal.control<QWidget>(name)->geometry(), rect) << name;
    EXPECT_EQ(cal.control("Command12")->parent()->objectName(), "Frame4");
}

TEST_F(CalibrationWindowTest, ArrowsStepTheLabelOnlyInsideTheRange)
{
    struct Case {
        const char *button;
        std::int16_t low, high;
        const char *label, *shown;
    };
    const Case cases[] = {
        {"Command1", 0, 1023, "Label1", "0"},       {"Command2", 9, 1023, "Label1", "9"},
        {"Command3", 1014, 1023, "Label1", "1014"}, {"Command4", 1022, 1023, "Label1", "1023"},
        {"Command8", 0, 1023, "Label2", "1023"},    {"Command9", 0, 1013, "Label2", "1023"},
        {"Command10", 0, 7, "Label2", "7"},         {"Command11", 0, 1, "Label2", "0"},
    };
    for (const Case &c : cases) {
        cal.context.instrument.change().settings.lowRefPwm = c.low;
        cal.context.instrument.change().settings.highRefPwm = c.high;
        cal.open();
        cal.click(c.button);
        EXPECT_EQ(cal.text(c.label), c.shown) << c.button;
    }
    cal.control<QLabel>("Label1")->setText(QStringLiteral("abc"));
    cal.click("Command4");
    EXPECT_EQ(cal.text("Label1"), "abc");
}

TEST_F(CalibrationWindowTest, MeasureArmsItsSlotAndSaysOnceThatNoPortIsOpen)
{
    const std::pair<const char *, int> armed[] = {
        {"Command13", 1}, {"Command14", 2}, {"Command15", 3}, {"Command12", 4}, {"Command16", 5}, {"Command17", 6},
    };
    cal.open();
    for (auto [button, slot] : armed) {
        cal.click(button);
        EXPECT_EQ(cal.session.chain().calCaptureSlot, slot) << button;
    }
    cal.click("Command4");
    cal.click("Command7");
    cal.window->setCaptureText(4, QStringLiteral("0.81234"));
    EXPECT_EQ(cal.text("Text4"), "0.81234");
    EXPECT_EQ(cal.text("Label1"), "1"); // the step itself still counts
    ASSERT_EQ(cal.dialogs.messages.size(), 1u);
    EXPECT_TRUE(cal.dialogs.messages[0].text.contains("No port is open"));
}

TEST_F(CalibrationWindowLine, StepsSendTheNewValueShowSendsTheStoredOneAndMeasurePolls)
{
    cal.context.instrument.change().settings.lowRefPwm = 1022;
    cal.context.instrument.change().settings.highRefPwm = 1000;
    cal.open();
    cal.click("Command4"); // 1023
    cal.click("Command4"); // refused: nothing may reach the meter
    cal.click("Command6");
    applyExternalMeterSwitch(cal.context.instrument.change().settings, true);
    cal.click("Command8"); // 1001
    cal.click("Command12");
    const QByteArray expected[] = {bytes({0, 3, 255}), bytes({0, 2, 255}), bytes({64, 1, 250}), bytes({192, 2, 255})};
    for (const QByteArray &frame : expected)
        EXPECT_EQ(nextFrame().toHex(' '), frame.toHex(' '));
}

TEST_F(CalibrationWindowTest, SaveAndExitStoresTheBoxesAsTextAndTheLabelsAsIntegers)
{
    cal.open();
    cal.click("Command13");
    cal.edit("Text1", QStringLiteral("1.61234"));
    cal.edit("Text7", QStringLiteral("-3"));
    cal.click("Command4");
    cal.click("Command5");
    ASSERT_TRUE(cal.closed());
    const QByteArray file = cal.fileBytes();
    ASSERT_EQ(file.size(), 128);
    EXPECT_EQ(file.left(2).toHex(' '), "01 00");
    EXPECT_EQ(file.mid(46, 17).toHex(' '), "08 00 02 00 2d 33 08 00 07 00 31 2e 36 31 32 33 34");
    EXPECT_EQ(cal.context.instrument.setup().settings.lowRefPwm, 1);
    // The factory double comes back as the text the box showed.
    EXPECT_EQ(cal.context.instrument.setup().settings.calLowMinus50, SettingValue(std::string("0.73998")));
    EXPECT_EQ(cal.session.chain().calCaptureSlot, 0);
}

TEST_F(CalibrationWindowTest, RefusedSaveWritesNothingAndKeepsTheEdits)
{
    // Longest first, from both windows: the 40 characters here, then the main window's 12.
    const std::tuple<const char *, QString, const char *> cases[] = {
        {"Text1", QString(40, '1'),
         "longest first:\nLow -10 dBm calibration point: 40 characters, in this window\n"
         "attenuator: 12 characters, in the main window\n"},
        {"Text7", QStringLiteral("\u22125"), "warning level \"\u22125\" holds a character"},
    };
    ASSERT_FALSE(saveSettings(cal.context.settingsFile, factorySettings(), '.'));
    cal.context.instrument.change().settings.attenuatorDbm = std::string(12, '2');
    for (const auto &[box, text, says] : cases) {
        cal.open();
        cal.click("Command3");
        cal.dialogs.messages.clear(); // the step reached no meter, which was said
        cal.edit(box, text);
        cal.click("Command5");
        ASSERT_EQ(cal.dialogs.messages.size(), 1u) << box;
        const ScriptedDialogs::Message &message = cal.dialogs.messages[0];
        EXPECT_EQ(message.icon, UserDialogs::Icon::Error);
        EXPECT_EQ(message.title, "Save and Exit");
        EXPECT_TRUE(message.text.contains(QString::fromUtf8(says))) << message.text.toStdString();
        EXPECT_TRUE(cal.stillOpen());
        EXPECT_EQ(cal.text(box), text);
        EXPECT_EQ(cal.fileBytes().left(112), kFactoryFields);
        EXPECT_EQ(cal.context.instrument.setup().settings.lowRefPwm, 0);
    }
}

TEST_F(CalibrationWindowTest, ExitTheFrameCloseAndEscapeDisarmAndStoreNothing)
{
    enum class Way { Exit, Frame, Escape };
    for (const Way way : {Way::Exit, Way::Frame, Way::Escape}) {
        cal.open();
        cal.click("Command14");
        cal.click("Command4");
        cal.edit("Text2", QStringLiteral("0.7"));
        if (way == Way::Frame) {
            cal.window->close();
        } else if (way == Way::Escape) {
            cal.window->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(cal.window));
            QTest::keyClick(cal.window->findChild<QLineEdit *>(QStringLiteral("Text2")), Qt::Key_Escape);
        } else {
            cal.click("Command18");
        }
        ASSERT_TRUE(cal.closed());
        EXPECT_EQ(cal.context.instrument.setup().settings, factorySettings());
        EXPECT_EQ(cal.session.chain().calCaptureSlot, 0);
        EXPECT_FALSE(std::filesystem::exists(cal.context.settingsFile));
    }
    cal.open();
    EXPECT_EQ(cal.text("Label1"), "0");
    EXPECT_EQ(cal.text("Text2"), "0.73998");
}

TEST_F(CalibrationWindowTest, DefaultCalibrationChangesNothingOnNoAndWritesTheFactoryRecordOnYes)
{
    cal.context.instrument.change().settings = MeterSettings{};
    cal.context.instrument.change().settings.externalMeterOn = -1;
    const MeterSettings before = cal.context.instrument.setup().settings;
    cal.dialogs.yesNoAnswers = {false, true};
    cal.open();
    cal.click("Command15");
    cal.click("Command19");
    EXPECT_TRUE(cal.stillOpen());
    EXPECT_EQ(cal.context.instrument.setup().settings, before);
    EXPECT_FALSE(std::filesystem::exists(cal.context.settingsFile));
    EXPECT_EQ(cal.settingsShown, 0);

    cal.click("Command19");
    ASSERT_TRUE(cal.closed());
    EXPECT_EQ(cal.dialogs.questions.back(), "Are you sure you want to create new default calibration file");
    const QByteArray file = cal.fileBytes();
    EXPECT_EQ(file.size(), 128);
    EXPECT_EQ(file.left(112).toHex(' '), kFactoryFields.toHex(' '));
    EXPECT_EQ(cal.context.instrument.setup().settings, factorySettings());
    EXPECT_EQ(cal.meterChecks, std::vector<bool>{false});
    EXPECT_EQ(commandMode(cal.context.instrument.setup().settings), 0);
    EXPECT_EQ(cal.settingsShown, 1);
    EXPECT_EQ(cal.session.chain().calCaptureSlot, 0);
}

TEST_F(CalibrationWindowTest, ImportReplacesEverySettingInMemoryOnlyWhenTheFileReads)
{
    QByteArray corrupt = kFactoryFields.leftJustified(128, '\0');
    corrupt[6] = 3; // the attenuator's kind tag: no such kind
    const QString corruptFile = QString::fromStdString(cal.path("corrupt.dat").string());
    QFile out(corruptFile);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(corrupt) == 128);
    out.close();
    MeterSettings imported = factorySettings();
    imported.externalMeterOn = -1;
    imported.lowRefPwm = 100;
    imported.frequencyRange = std::int16_t{3};
    imported.calMidMinus50 = std::string("0.7");
    const std::filesystem::path goodFile = cal.path("preset.dat");
    ASSERT_FALSE(saveSettings(goodFile, imported, '.'));
    cal.dialogs.fileAnswers = {QString(), corruptFile, QString::fromStdString(goodFile.string())};
    cal.open();

    cal.click("Command20"); // cancelled
    cal.click("Command20");
    ASSERT_EQ(cal.dialogs.messages.size(), 1u);
    EXPECT_TRUE(cal.dialogs.messages[0].text.contains(corruptFile));
    EXPECT_TRUE(cal.stillOpen());
    EXPECT_EQ(cal.context.instrument.setup().settings, factorySettings());
    EXPECT_EQ(cal.settingsShown, 0);

    cal.click("Command20");
    ASSERT_TRUE(cal.closed());
    EXPECT_EQ(cal.dialogs.fileTitles.back(), "Load the calibration file");
    EXPECT_EQ(cal.context.instrument.setup().settings, imported);
    EXPECT_EQ(cal.meterChecks, std::vector<bool>{true});
    EXPECT_EQ(commandMode(cal.context.instrument.setup().settings), 64);
    EXPECT_EQ(cal.settingsShown, 1);
    EXPECT_FALSE(std::filesystem::exists(cal.context.settingsFile));
}
