#include "ui/calibration_window.hpp"

#include "core/settings/calibration_rules.hpp"
#include "core/reading/reading_chain.hpp"
#include "core/settings/setting_value.hpp"
#include "link/meter_session.hpp"
#include "ui/app_context.hpp"
#include "ui/widget_factory.hpp"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace merolan {
namespace {

// The layout was drawn in twips; the screen has 15 of them to the pixel.
constexpr QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

// Every control's rectangle, in the coordinates of the frame that holds it.
namespace layout {
constexpr QSize window{555, 480};
constexpr QRect referenceFrame = twips(180, 180, 7935, 1695);
// In the reference frame: a row each for the low and the high reference.
constexpr int lowReferenceTop = 600;
constexpr int highReferenceTop = 1020;
constexpr QRect referenceLabel(int top)
{
    return twips(6240, top, 1275, 255);
}
constexpr QRect arrowButton(int left, int top)
{
    return twips(left, top, 795, 255);
}
constexpr QRect showButton(int top)
{
    return twips(2400, top, 1755, 255);
}
constexpr int arrowLefts[] = {540, 1440, 4320, 5220}; // "<", "<<", ">>", ">"

constexpr QRect inputFrame = twips(240, 2040, 4035, 4935);
// In the input frame: Low, Mid and High, each with a -10 dBm and a -50 dBm row.
constexpr QRect pointFrame(int top)
{
    return twips(240, top, 3435, 1395);
}
constexpr int lowFrameTop = 360;
constexpr int midFrameTop = 1800;
constexpr int highFrameTop = 3300;
constexpr int upperRowTop = 420;
constexpr int lowerRowTop = 780;
constexpr QRect pointCaption(int top)
{
    return twips(180, top, 1035, 195);
}
constexpr QRect measureButton(int top)
{
    return twips(900, top, 915, 255);
}
constexpr QRect pointBox(int top)
{
    return twips(2040, top, 1155, 285);
}

constexpr QRect factoryFrame = twips(4620, 2040, 3495, 1335);
constexpr QRect factoryButton = twips(480, 540, 2535, 375);
constexpr QRect presetFrame = twips(4620, 3720, 3495, 1035);
constexpr QRect presetButton = twips(480, 420, 2535, 435);
constexpr QRect warningFrame = twips(4620, 5040, 3495, 795);
constexpr QRect warningBox = twips(780, 300, 1815, 285);
constexpr QRect saveButton = twips(4680, 6600, 1695, 375);
constexpr QRect exitButton = twips(6480, 6600, 1695, 375);
} // namespace layout

} // namespace

CalibrationWindow::CalibrationWindow(AppContext &context, MeterSession &session, CalibrationHooks hooks,
                                     QWidget *parent)
    : QWidget(parent, Qt::Window), context_(context), session_(session), hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Calibration and Settings"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(layout::window);
    setFont(sansFont(11));
    closeOnEscape(this); // without saving, as the frame's close control

    buildReferenceRows(makeFrame(this, "Frame1", layout::referenceFrame, QStringLiteral("Gauge Meter Settings")));

    QGroupBox *input = makeFrame(this, "Frame2", layout::inputFrame, QStringLiteral("Input RF Level"));
    buildPointFrame(input, "Frame3", QStringLiteral("Low"), layout::lowFrameTop, 1, "Command13", "Command14");
    buildPointFrame(input, "Frame4", QStringLiteral("Mid"), layout::midFrameTop, 3, "Command15", "Command12");
    buildPointFrame(input, "Frame5", QStringLiteral("High"), layout::highFrameTop, 5, "Command16", "Command17");

    QGroupBox *factory = makeFrame(this, "Frame6", layout::factoryFrame, QStringLiteral("Factory Default Calibration"));
    connect(makeButton(factory, "Command19", layout::factoryButton, QStringLiteral("Create default calibration")),
            &QPushButton::clicked, this, &CalibrationWindow::createDefault);

    QGroupBox *preset = makeFrame(this, "Frame7", layout::presetFrame, QStringLiteral("Load Pre-calibrated Data"));
    connect(makeButton(preset, "Command20", layout::presetButton, QStringLiteral("Load Calibration File")),
            &QPushButton::clicked, this, &CalibrationWindow::loadFile);

    // The double blank in this caption is kept on purpose.
    QGroupBox *warning =
        makeFrame(this, "Frame8", layout::warningFrame, QStringLiteral("Log Detector Warning  Level (dBm)"));
    warningLevel_ = makeLineEdit(warning, "Text7", layout::warningBox, QString());

    connect(makeButton(this, "Command5", layout::saveButton, QStringLiteral("Save and Exit")), &QPushButton::clicked,
            this, &CalibrationWindow::saveAndExit);
    connect(makeButton(this, "Command18", layout::exitButton, QStringLiteral("Exit")), &QPushButton::clicked, this,
            &QWidget::close);

    loadFromSettings();
}

void CalibrationWindow::buildReferenceRows(QWidget *frame)
{
    struct Arrow {
        const char *name;
        const char *caption;
        ReferenceStep step;
    };
    const auto buildRow = [&](int top, const char *labelName, const char *showName, const char *showCaption, bool high,
                              const Arrow(&arrows)[4]) {
        QLabel *label = makeLabel(frame, labelName, layout::referenceLabel(top), QString());
        for (std::size_t i = 0; i < std::size(arrows); ++i) {
            const Arrow &arrow = arrows[i];
            QPushButton *b = makeButton(frame, arrow.name, layout::arrowButton(layout::arrowLefts[i], top),
                                        QLatin1String(arrow.caption));
            connect(b, &QPushButton::clicked, this, [this, label, step = arrow.step] { stepLabel(label, step); });
        }
        QPushButton *show = makeButton(frame, showName, layout::showButton(top), QLatin1String(showCaption));
        // The stored reference, not the label: after unsaved steps this moves the needle back.
        connect(show, &QPushButton::clicked, this, [this, high] {
            showReference(high ? context_.instrument.setup().settings.highRefPwm : context_.instrument.setup().settings.lowRefPwm);
        });
        return label;
    };

    lowReference_ = buildRow(layout::lowReferenceTop, "Label1", "Command6", "Show Low reference", false,
                             {{"Command1", "<", ReferenceStep::Down1},
                              {"Command2", "<<", ReferenceStep::Down10},
                              {"Command3", ">>", ReferenceStep::Up10},
                              {"Command4", ">", ReferenceStep::Up1}});
    highReference_ = buildRow(layout::highReferenceTop, "Label2", "Command7", "Show High reference", true,
                              {{"Command11", "<", ReferenceStep::Down1},
                               {"Command10", "<<", ReferenceStep::Down10},
                               {"Command9", ">>", ReferenceStep::Up10},
                               {"Command8", ">", ReferenceStep::Up1}});
}

void CalibrationWindow::buildPointFrame(QWidget *parent, const char *name, const QString &caption, int top,
                                        int upperSlot, const char *upperButton, const char *lowerButton)
{
    QGroupBox *box = makeFrame(parent, name, layout::pointFrame(top), caption);
    const struct {
        int top;
        const char *caption;
        const char *button;
        int slot;
    } rows[] = {
        {layout::upperRowTop, "-10 dBm", upperButton, upperSlot},
        {layout::lowerRowTop, "-50 dBm", lowerButton, upperSlot + 1},
    };
    for (const auto &row : rows) {
        // Slots 1..6 name Text1..Text6 and, two to a frame, the row labels Label3..Label8.
        const QByteArray labelName = "Label" + QByteArray::number(row.slot + 2);
        const QByteArray boxName = "Text" + QByteArray::number(row.slot);
        makeLabel(box, labelName.constData(), layout::pointCaption(row.top), QLatin1String(row.caption));
        QPushButton *measureButton =
            makeButton(box, row.button, layout::measureButton(row.top), QStringLiteral("Measure"));
        connect(measureButton, &QPushButton::clicked, this, [this, slot = row.slot] { measure(slot); });
        pointBoxes_[static_cast<std::size_t>(row.slot - 1)] =
            makeLineEdit(box, boxName.constData(), layout::pointBox(row.top), QStringLiteral("0"));
    }
}

void CalibrationWindow::loadFromSettings()
{
    const MeterSettings &s = context_.instrument.setup().settings;
    const char separator = context_.instrument.setup().decimalSeparator;
    lowReference_->setText(QString::number(s.lowRefPwm));
    highReference_->setText(QString::number(s.highRefPwm));
    for (std::size_t i = 0; i < pointBoxes_.size(); ++i)
        pointBoxes_[i]->setText(QString::fromStdString(textForm(s.*kCalibrationPoints[i].field, separator)));
    warningLevel_->setText(QString::fromStdString(textForm(s.warningLevelDbm, separator)));
}

void CalibrationWindow::setCaptureText(int slot, const QString &text)
{
    if (slot >= 1 && slot <= static_cast<int>(pointBoxes_.size()))
        pointBoxes_[static_cast<std::size_t>(slot - 1)]->setText(text);
}

void CalibrationWindow::captureProgress(int slot, const QString &progress)
{
    if (slot < 1 || slot > static_cast<int>(pointBoxes_.size()) || slot != session_.chain().calCaptureSlot)
        return;
    // Emptied while measuring, so no old value passes for the new one if the meter stops midway.
    QLineEdit *box = pointBoxes_[static_cast<std::size_t>(slot - 1)];
    box->clear();
    box->setPlaceholderText(QStringLiteral("measuring %1").arg(progress));
    noteSent(session_.pollOnce());
}

void CalibrationWindow::centreOnScreen()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect outer = frameGeometry();
    outer.moveCenter(screen->availableGeometry().center());
    move(outer.topLeft());
}

void CalibrationWindow::closeEvent(QCloseEvent *event)
{
    // However the window goes, readings must stop landing in a box that no longer exists.
    session_.armCapture(0, 1);
    QWidget::closeEvent(event);
}

void CalibrationWindow::measure(int slot)
{
    session_.armCapture(slot, captureReadingCount(context_.instrument.setup().accuracy));
    // The answers arrive through the main window's reading chain, which fills the armed box
    // with their mean once it has them all; each one asks for the next (captureProgress).
    noteSent(session_.pollOnce());
}

// A click that reaches no meter must not pass for one that did; saying so once is enough.
void CalibrationWindow::noteSent(bool written)
{
    if (written) {
        toldNoPort_ = false;
        return;
    }
    if (toldNoPort_)
        return;
    toldNoPort_ = true;
    context_.dialogs.showMessage(this, UserDialogs::Icon::Warning, windowTitle(),
                                 QStringLiteral("No port is open, so nothing reached the meter. Choose the meter's "
                                                "port under \"Select Port :\" in the main window first."));
}

void CalibrationWindow::stepLabel(QLabel *label, ReferenceStep step)
{
    const std::optional<double> value = referenceLabelValue(label->text());
    if (!value)
        return;
    const double whole = std::clamp(std::nearbyint(*value), -32768.0, 32767.0);
    const std::optional<int> next = stepReference(static_cast<int>(whole), step);
    if (!next)
        return;
    label->setText(QString::number(*next));
    noteSent(session_.sendPanelPwm(*next));
}

void CalibrationWindow::showReference(std::int16_t value)
{
    noteSent(session_.sendPanelPwm(value));
}

void CalibrationWindow::saveAndExit()
{
    CalibrationEdits edits;
    for (std::size_t i = 0; i < pointBoxes_.size(); ++i)
        edits.points[i] = pointBoxes_[i]->text();
    edits.warningLevel = warningLevel_->text();
    edits.lowReference = lowReference_->text();
    edits.highReference = highReference_->text();
    if (const std::optional<QString> refusal = saveEdits(context_, edits)) {
        // The edits stay in the window so the user can shorten or retype them and save again.
        context_.dialogs.showMessage(this, UserDialogs::Icon::Error, QStringLiteral("Save and Exit"), *refusal);
        return;
    }
    close();
}

void CalibrationWindow::createDefault()
{
    if (createDefaultCalibration(context_, hooks_, this))
        close();
}

void CalibrationWindow::loadFile()
{
    if (loadCalibrationFile(context_, hooks_, this))
        close();
}

} // namespace merolan
