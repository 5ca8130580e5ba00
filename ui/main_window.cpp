#include "ui/main_window.hpp"

#include "core/settings_file.hpp"
#include "core/text_format.hpp"
#include "core/wire_protocol.hpp"
#include "gauge/gauge_face.hpp"
#include "gauge/help_scale.hpp"
#include "link/frame_sender.hpp"
#include "link/panel_meter.hpp"
#include "link/port_directory.hpp"
#include "ui/calibration_window.hpp"
#include "ui/info_window.hpp"
#include "ui/port_combo_box.hpp"
#include "ui/widget_factory.hpp"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <utility>

namespace merolan {
namespace {

const QColor kStoppedColour(255, 192, 192);
const QColor kMeasuringColour(192, 255, 192);

QString toQt(const std::string &text) { return QString::fromStdString(text); }
std::string toStd(const QString &text) { return text.toStdString(); }

// Checks a box, or runs its reaction again when it is checked already, so the settings follow
// the box even when the box itself does not change.
void selectBox(QCheckBox *box)
{
    if (box->isChecked())
        emit box->toggled(true);
    else
        box->setChecked(true);
}

} // namespace

MainWindow::MainWindow(AppContext &context, QWidget *parent) : QWidget(parent), context_(context)
{
    buildControls();
    connectReactions();
    formLoad();
    showPortDevice();
}

MainWindow::~MainWindow()
{
    delete calibrationWindow_;
    delete infoWindow_;
}

void MainWindow::connectReactions()
{
    connect(check8_, &QCheckBox::toggled, this, [this](bool on) { selectFrequencyRange(1, on); });
    connect(check9_, &QCheckBox::toggled, this, [this](bool on) { selectFrequencyRange(2, on); });
    connect(check10_, &QCheckBox::toggled, this, [this](bool on) { selectFrequencyRange(3, on); });
    connect(text2_, &QLineEdit::textChanged, this, &MainWindow::attenuatorChanged);
    connect(check5_, &QCheckBox::toggled, this, [this](bool on) { selectGaugeUnit(GaugeUnit::Dbm, on); });
    connect(check6_, &QCheckBox::toggled, this, [this](bool on) { selectGaugeUnit(GaugeUnit::Watt, on); });
    connect(check7_, &QCheckBox::toggled, this, [this](bool on) { selectGaugeUnit(GaugeUnit::Volt, on); });
    for (QLineEdit *box : {text3_, text4_, text5_, text6_, text7_, text8_})
        connect(box, &QLineEdit::textChanged, this, [this, box] { scaleLimitChanged(box); });
    connect(check2_, &QCheckBox::toggled, this, &MainWindow::helpScaleClicked);
    connect(check4_, &QCheckBox::toggled, this, &MainWindow::turboClicked);
    connect(check1_, &QCheckBox::toggled, this, &MainWindow::externalMeterClicked);
    connect(check11_, &QCheckBox::toggled, this, &MainWindow::relativeMeasurementClicked);
    connect(command6_, &QPushButton::clicked, this, &MainWindow::zeroReferenceClicked);
    connect(command5_, &QPushButton::clicked, this, &MainWindow::testClicked);
    connect(combo1_, &QComboBox::textActivated, this, &MainWindow::portChosen);
    connect(command2_, &QPushButton::clicked, this, &MainWindow::startMeasureClicked);
    connect(&timer1_, &QTimer::timeout, this, &MainWindow::pollTick);
    connect(&timer2_, &QTimer::timeout, this, &MainWindow::closeTick);
    connect(&link_, &SerialLink::readArrived, this, &MainWindow::readArrived);
    connect(&link_, &SerialLink::portLost, this, &MainWindow::portLost);
    connect(command3_, &QPushButton::clicked, this, &MainWindow::calibrationClicked);
    connect(command4_, &QPushButton::clicked, this, &MainWindow::infoClicked);
    connect(command1_, &QPushButton::clicked, this, &MainWindow::close);
}

// The start-up sequence. Every value put into a box raises that box's reaction on the spot,
// which is how the stored texts end up back in the settings.
void MainWindow::formLoad()
{
    AppState &state = context_.state;
    const char sep = state.decimalSeparator;
    state.warningCount = 0;
    placeWindow();
    loadSettingsOrTell();

    const bool externalOn = state.settings.externalMeterOn == -1;
    check1_->setChecked(externalOn);
    applyExternalMeterSwitch(state, externalOn);

    text2_->setText(toQt(textForm(state.settings.attenuatorDbm, sep)));
    text3_->setText(toQt(textForm(state.settings.dbmScaleMax, sep)));
    text4_->setText(toQt(textForm(state.settings.dbmScaleMin, sep)));
    const SettingValue storedRange = state.settings.frequencyRange;
    if (holdsNumber(storedRange, 1, sep))
        check8_->setChecked(true);
    if (holdsNumber(storedRange, 2, sep))
        check9_->setChecked(true);
    if (holdsNumber(storedRange, 3, sep))
        check10_->setChecked(true);
    text5_->setText(toQt(textForm(state.settings.wattScaleMax, sep)));
    text6_->setText(toQt(textForm(state.settings.wattScaleMin, sep)));
    text7_->setText(toQt(textForm(state.settings.voltScaleMax, sep)));
    text8_->setText(toQt(textForm(state.settings.voltScaleMin, sep)));

    const SettingValue storedUnit = state.settings.gaugeUnit;
    const std::array<QCheckBox *, 3> unitBoxes{check5_, check6_, check7_};
    const std::array<std::array<QLineEdit *, 2>, 3> unitFields{{{text3_, text4_}, {text5_, text6_}, {text7_, text8_}}};
    for (int u = 0; u < 3; ++u) {
        if (!holdsNumber(storedUnit, u + 1, sep))
            continue;
        for (int other = 0; other < 3; ++other) {
            unitBoxes[other]->setChecked(other == u);
            for (QLineEdit *field : unitFields[other])
                field->setEnabled(other == u);
        }
        showScaleLimits(static_cast<GaugeUnit>(u + 1));
    }
}

// Outer height of 668 pixels, centred on the screen (not clamped when the screen is smaller).
void MainWindow::placeWindow()
{
    const int frameHeight = 34; // title bar and borders of an ordinary frame
    resize(width(), 668 - frameHeight);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->geometry();
        move(available.left() + available.width() / 2 - width() / 2,
             available.top() + available.height() / 2 - (height() + frameHeight) / 2);
    }
}

void MainWindow::loadSettingsOrTell()
{
    if (std::optional<Failure> failure = loadSettings(context_.settingsFile, context_.state.settings))
        tell(QStringLiteral("Settings file"),
             toQt(failure->message) + QStringLiteral("\nThe program goes on without these settings; the file is "
                                                    "not changed until you save from \"Calibration\"."));
}

void MainWindow::tell(const QString &title, const QString &text)
{
    context_.dialogs.showMessage(this, UserDialogs::Icon::Error, title, text);
}

void MainWindow::stopMeasure()
{
    timer1_.stop();
    setButtonColour(command2_, kStoppedColour);
}

void MainWindow::selectFrequencyRange(int range, bool checked)
{
    const std::array<QCheckBox *, 3> boxes{check8_, check9_, check10_};
    QCheckBox *box = boxes[static_cast<std::size_t>(range - 1)];
    if (checked) {
        for (QCheckBox *other : boxes)
            if (other != box)
                other->setChecked(false);
        context_.state.settings.frequencyRange = static_cast<std::int16_t>(range);
    } else if (!boxes[0]->isChecked() && !boxes[1]->isChecked() && !boxes[2]->isChecked()) {
        box->setChecked(true);
    }
}

void MainWindow::attenuatorChanged()
{
    stopMeasure();
    context_.state.settings.attenuatorDbm = toStd(text2_->text());
}

void MainWindow::selectGaugeUnit(GaugeUnit unit, bool checked)
{
    const std::array<QCheckBox *, 3> boxes{check5_, check6_, check7_};
    const std::array<std::array<QLineEdit *, 2>, 3> fields{{{text3_, text4_}, {text5_, text6_}, {text7_, text8_}}};
    const auto index = static_cast<std::size_t>(unit) - 1;
    if (checked) {
        context_.state.settings.gaugeUnit = static_cast<std::int16_t>(unit);
        for (std::size_t other = 0; other < boxes.size(); ++other) {
            if (other != index)
                boxes[other]->setChecked(false);
            for (QLineEdit *field : fields[other])
                field->setEnabled(other == index);
        }
        showScaleLimits(unit);
        clearGauge();
        drawHelpScale();
    } else if (!boxes[0]->isChecked() && !boxes[1]->isChecked() && !boxes[2]->isChecked()) {
        boxes[index]->setChecked(true);
    }
}

void MainWindow::scaleLimitChanged(QLineEdit *box)
{
    stopMeasure();
    MeterSettings &s = context_.state.settings;
    const std::string text = toStd(box->text());
    GaugeUnit unit = GaugeUnit::Dbm;
    if (box == text3_)
        s.dbmScaleMax = text;
    else if (box == text4_)
        s.dbmScaleMin = text;
    else if (box == text5_)
        s.wattScaleMax = text, unit = GaugeUnit::Watt;
    else if (box == text6_)
        s.wattScaleMin = text, unit = GaugeUnit::Watt;
    else if (box == text7_)
        s.voltScaleMax = text, unit = GaugeUnit::Volt;
    else
        s.voltScaleMin = text, unit = GaugeUnit::Volt;
    showScaleLimits(unit);
    clearGauge();
    drawHelpScale();
}

void MainWindow::helpScaleClicked()
{
    clearGauge();
    drawHelpScale();
}

void MainWindow::turboClicked() { timer1_.setInterval(check4_->isChecked() ? 100 : 330); }

void MainWindow::externalMeterClicked() { applyExternalMeterSwitch(context_.state, check1_->isChecked()); }

void MainWindow::relativeMeasurementClicked(bool checked)
{
    if (checked) {
        // Relative mode borrows the dBm boxes; the user's own limits wait until it ends.
        context_.state.heldDbmScale = DbmScaleLimits{context_.state.settings.dbmScaleMax,
                                                     context_.state.settings.dbmScaleMin};
        frame1_->show();
        label11_->setText(QStringLiteral("-"));
        label12_->setText(QStringLiteral("-"));
        label6_->setText(QStringLiteral("-"));
        label13_->setText(QStringLiteral("dB"));
        check6_->setEnabled(false);
        check7_->setEnabled(false);
        text4_->setText(QStringLiteral("0"));
        text3_->setText(QStringLiteral("20"));
        check2_->setChecked(true);
        drawHelpScale();
        return;
    }
    frame1_->hide();
    stopMeasure();
    check2_->setChecked(false);
    label6_->setText(QStringLiteral("-"));
    label13_->setText(QStringLiteral("dBm"));
    check6_->setEnabled(true);
    check7_->setEnabled(true);
    // Only the dBm limits come back. Reloading the whole file here would leave the attenuator,
    // range and unit boxes showing values that the readings no longer use.
    const std::optional<DbmScaleLimits> held = std::exchange(context_.state.heldDbmScale, std::nullopt);
    if (!held)
        return;
    const char sep = context_.state.decimalSeparator;
    text3_->setText(toQt(textForm(held->max, sep)));
    text4_->setText(toQt(textForm(held->min, sep)));
}

void MainWindow::zeroReferenceClicked()
{
    takeZeroReference(context_.state);
    label32_->setText(label34_->text());
}

void MainWindow::testClicked() { apply(processTestVoltage(context_.state, toStd(text1_->text()), readingInputs())); }

void MainWindow::portChosen(const QString &entry)
{
    if (entry == QLatin1String("Close Port")) {
        stopMeasure();
        if (!timer2_.isActive())
            timer2_.start();
        return;
    }
    const QStringList ports{QStringLiteral("Com 1"), QStringLiteral("Com 2"), QStringLiteral("Com 3"),
                            QStringLiteral("Com 4"), QStringLiteral("Com 5"), QStringLiteral("Com 6"),
                            QStringLiteral("Com 7"), QStringLiteral("Com 8"), QStringLiteral("Com 9")};
    const int number = static_cast<int>(ports.indexOf(entry)) + 1;
    if (number == 0)
        return;
    timer2_.stop();
    const QString device = portDevices().value(number - kFirstPortNumber);
    std::optional<QString> problem;
    if (device.isEmpty()) {
        link_.close();
        problem = QStringLiteral("There is no serial port for %1 on this computer. Connect the meter, or name "
                                 "its device with --port %2=DEVICE.")
                      .arg(entry)
                      .arg(number);
    } else {
        problem = link_.open(number, device);
    }
    if (problem) {
        const bool wasMeasuring = isMeasuring();
        stopMeasure();
        combo1_->setCurrentIndex(0);
        tell(QStringLiteral("Select Port"),
             *problem + (wasMeasuring ? QStringLiteral("\nMeasuring has stopped.") : QString()));
    }
    showPortDevice();
}

void MainWindow::startMeasureClicked()
{
    std::array<std::string, 2> dbm, watt, volt;
    const std::vector<GaugeUnit> failing = invalidScaleRanges(
        limitTexts(GaugeUnit::Dbm, dbm), limitTexts(GaugeUnit::Watt, watt), limitTexts(GaugeUnit::Volt, volt));
    for (const GaugeUnit unit : failing)
        tell(toQt(scaleRangeErrorTitle(unit)), toQt(std::string(kScaleRangeErrorText)));
    if (failing.empty() && !timer1_.isActive()) {
        toldNoPort_ = false;
        timer1_.start();
    }
}

void MainWindow::pollTick()
{
    if (!link_.isOpen()) {
        // Polling a closed port would go on silently for ever: stop and say so once.
        stopMeasure();
        if (!toldNoPort_) {
            toldNoPort_ = true;
            tell(QStringLiteral("Start Measure"),
                 QStringLiteral("No port is open. Choose the meter's port under \"Select Port :\" and press "
                                "\"Start Measure\" again."));
        }
        return;
    }
    setButtonColour(command2_, kMeasuringColour);
    sendPoll(link_, context_.state);
}

void MainWindow::closeTick()
{
    if (link_.isOpen())
        link_.close();
    showPortDevice();
}

QStringList MainWindow::portDevices() const
{
    const QStringList system = systemSerialPorts();
    QStringList devices;
    for (int n = kFirstPortNumber; n <= kLastPortNumber; ++n)
        devices.append(deviceForPort(n, context_.portDevices, system));
    return devices;
}

// The list shows "Com N" only, so its tooltip says which device is behind the open port.
void MainWindow::showPortDevice()
{
    combo1_->setToolTip(link_.isOpen() ? QStringLiteral("Com %1: %2").arg(link_.portNumber()).arg(link_.device())
                                       : QStringLiteral("No port is open"));
}

void MainWindow::readArrived(const QByteArray &read)
{
    const auto bytes = std::span(reinterpret_cast<const std::uint8_t *>(read.constData()),
                                 static_cast<std::size_t>(read.size()));
    const std::optional<DecodedReading> reading = decodeReadingFrame(bytes);
    if (!reading)
        return;
    label2_->setText(toQt(reading->trace));
    apply(processReading(context_.state, reading->detectorVoltage, readingInputs()));
}

void MainWindow::portLost(const QString &message)
{
    const bool wasMeasuring = isMeasuring();
    stopMeasure();
    timer2_.stop();
    combo1_->setCurrentIndex(0);
    showPortDevice();
    tell(QStringLiteral("Select Port"), message + (wasMeasuring ? QStringLiteral(" Measuring has stopped.") : QString()) +
                                            QStringLiteral("\nChoose the port again once the meter is back."));
}

void MainWindow::calibrationClicked()
{
    stopMeasure();
    if (!calibrationWindow_) {
        CalibrationHooks hooks{[this] { showSettingsInWindows(); },
                               [this](bool on) { check1_->setChecked(on); externalMeterClicked(); }};
        calibrationWindow_ = new CalibrationWindow(context_, link_, hooks);
        calibrationWindow_->centreOnScreen();
    }
    calibrationWindow_->show();
    calibrationWindow_->raise();
    calibrationWindow_->activateWindow();
}

void MainWindow::infoClicked()
{
    if (!infoWindow_)
        infoWindow_ = new InfoWindow(context_.dialogs);
    infoWindow_->ShowMe();
}

void MainWindow::showSettingsInWindows()
{
    const MeterSettings s = context_.state.settings;
    const char sep = context_.state.decimalSeparator;
    text2_->setText(toQt(textForm(s.attenuatorDbm, sep)));
    text3_->setText(toQt(textForm(s.dbmScaleMax, sep)));
    text4_->setText(toQt(textForm(s.dbmScaleMin, sep)));
    selectBox(check8_);
    text5_->setText(toQt(textForm(s.wattScaleMax, sep)));
    text6_->setText(toQt(textForm(s.wattScaleMin, sep)));
    text7_->setText(toQt(textForm(s.voltScaleMax, sep)));
    text8_->setText(toQt(textForm(s.voltScaleMin, sep)));
    selectBox(check5_);
    check6_->setChecked(false);
    check7_->setChecked(false);
    for (QLineEdit *box : {text5_, text6_, text7_, text8_})
        box->setEnabled(false);
    // The boxes now show the new dBm limits: those are what relative mode keeps for the user.
    if (context_.state.heldDbmScale)
        context_.state.heldDbmScale = DbmScaleLimits{s.dbmScaleMax, s.dbmScaleMin};
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Leaving releases the port and stops both timers; an open calibration window stays.
    timer1_.stop();
    timer2_.stop();
    link_.close();
    event->accept();
}

// ---- gauge ----

ScaleLimitTexts MainWindow::limitTexts(GaugeUnit unit, std::array<std::string, 2> &storage) const
{
    const QLineEdit *max = unit == GaugeUnit::Dbm ? text3_ : unit == GaugeUnit::Watt ? text5_ : text7_;
    const QLineEdit *min = unit == GaugeUnit::Dbm ? text4_ : unit == GaugeUnit::Watt ? text6_ : text8_;
    storage = {toStd(max->text()), toStd(min->text())};
    return {storage[0], storage[1]};
}

ReadingInputs MainWindow::readingInputs() const
{
    ReadingInputs in;
    in.relativeMode = check11_->isChecked();
    in.dbmMax = toStd(text3_->text());
    in.dbmMin = toStd(text4_->text());
    in.wattMax = toStd(text5_->text());
    in.wattMin = toStd(text6_->text());
    in.voltMax = toStd(text7_->text());
    in.voltMin = toStd(text8_->text());
    return in;
}

void MainWindow::showScaleLimits(GaugeUnit unit)
{
    std::array<std::string, 2> storage;
    const LimitCaptions captions = scaleLimitCaptions(unit, limitTexts(unit, storage), check11_->isChecked());
    label17_->setText(toQt(captions.max));
    label15_->setText(toQt(captions.min));
}

void MainWindow::clearGauge() { picture2_->clear(); }

// The diagnostic strip lies below the visible window, so the reason goes where the user looks.
void MainWindow::showProblem(const std::optional<std::string> &problem)
{
    const QString text = problem ? toQt(*problem) : QString();
    statusLine_->setText(text);
    statusLine_->setToolTip(text);
}

void MainWindow::drawHelpScale()
{
    if (!check2_->isChecked())
        return;
    // In relative mode the needle follows the dB scale, so the marks print that scale too.
    std::optional<GaugeUnit> unit;
    if (check11_->isChecked())
        unit = GaugeUnit::Dbm;
    for (const GaugeUnit u : {GaugeUnit::Dbm, GaugeUnit::Watt, GaugeUnit::Volt})
        if (!unit && holdsNumber(context_.state.settings.gaugeUnit, static_cast<int>(u), context_.state.decimalSeparator))
            unit = u;
    if (!unit)
        return;
    std::array<std::string, 2> storage;
    for (const HelpScaleText &text : helpScaleTexts(*unit, limitTexts(*unit, storage)))
        picture2_->printText({text.x, text.y}, toQt(text.text));
}

void MainWindow::updateGauge()
{
    picture2_->clear();
    picture2_->drawNeedle(context_.state.scalePosition, check3_->isChecked());
    drawHelpScale();
}

void MainWindow::apply(const ReadingOutcome &out)
{
    if (out.voltageText)
        label1_->setText(toQt(*out.voltageText));
    if (out.capture && calibrationWindow_)
        calibrationWindow_->setCaptureText(out.capture->slot, toQt(out.capture->text));
    if (out.slopeText)
        label8_->setText(toQt(*out.slopeText));
    if (out.interceptText)
        label10_->setText(toQt(*out.interceptText));
    if (out.lamp != LampAction::LeaveUnchanged)
        picture3_->setVisible(out.lamp == LampAction::Show);
    if (out.dbmText)
        label6_->setText(toQt(*out.dbmText));
    if (out.voltText)
        label12_->setText(toQt(*out.voltText));
    if (out.wattText)
        label11_->setText(toQt(*out.wattText));
    if (out.measurementText)
        label34_->setText(toQt(*out.measurementText));
    if (out.positionText)
        label19_->setText(toQt(*out.positionText));
    showProblem(out.problem);
    if (out.clearNeedle) {
        clearGauge();
        drawHelpScale();
    }
    if (out.sendUpdateFrame)
        sendScalePosition(link_, context_.state, context_.state.scalePosition);
    if (out.redrawGauge)
        updateGauge();
}

} // namespace merolan
