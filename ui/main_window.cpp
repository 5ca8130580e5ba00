#include "ui/main_window.hpp"

#include "core/settings/accuracy_file.hpp"
#include "core/settings/calibration_rules.hpp"
#include "core/settings/settings_file.hpp"
#include "core/base/text_format.hpp"
#include "gauge/gauge_face.hpp"
#include "gauge/help_scale.hpp"
#include "link/port_directory.hpp"
#include "ui/calibration_window.hpp"
#include "ui/info_window.hpp"
#include "ui/look.hpp"
#include "ui/port_combo_box.hpp"
#include "ui/recording_controls.hpp"
#include "ui/remote_controls.hpp"
#include "ui/setup_window.hpp"
#include "ui/widget_factory.hpp"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTime>

#include <utility>

namespace merolan {
namespace {

QString toQt(const std::string &text)
{
    return QString::fromStdString(text);
}
std::string toStd(const QString &text)
{
    return text.toStdString();
}

std::string clockNow()
{
    return toStd(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
}

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

MainWindow::MainWindow(AppContext &context, MeterSession &session, ReadingRecorder &recorder, QWidget *parent)
    : QWidget(parent), context_(context), session_(session), recorder_(recorder)
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
    delete setupWindow_;
}

void MainWindow::connectReactions()
{
    for (int range = 1; range <= 3; ++range)
        connect(rangeBoxes_[static_cast<std::size_t>(range - 1)], &QCheckBox::toggled, this,
                [this, range](bool on) { selectFrequencyRange(range, on); });
    connect(attenuatorBox_, &QLineEdit::textChanged, this, &MainWindow::attenuatorChanged);
    for (const GaugeUnit u : kGaugeUnits) {
        connect(unit(u).select, &QCheckBox::toggled, this, [this, u](bool on) { selectGaugeUnit(u, on); });
        for (QLineEdit *box : {unit(u).max, unit(u).min})
            connect(box, &QLineEdit::textChanged, this, [this, box] { scaleLimitChanged(box); });
    }
    connect(helpScaleBox_, &QCheckBox::toggled, this, &MainWindow::helpScaleClicked);
    connect(turboBox_, &QCheckBox::toggled, this, &MainWindow::turboClicked);
    connect(externalMeterBox_, &QCheckBox::toggled, this, &MainWindow::externalMeterClicked);
    connect(relativeBox_, &QCheckBox::toggled, this, &MainWindow::relativeMeasurementClicked);
    connect(zeroReferenceButton_, &QPushButton::clicked, this, &MainWindow::zeroReferenceClicked);
    connect(testButton_, &QPushButton::clicked, this, &MainWindow::testClicked);
    connect(portList_, &QComboBox::textActivated, this, &MainWindow::portChosen);
    connect(startMeasureButton_, &QPushButton::clicked, this, &MainWindow::startMeasureClicked);
    connect(calibrationButton_, &QPushButton::clicked, this, &MainWindow::calibrationClicked);
    connect(infoButton_, &QPushButton::clicked, this, &MainWindow::infoClicked);
    connect(setupButton_, &QPushButton::clicked, this, &MainWindow::setupClicked);
    connect(exitButton_, &QPushButton::clicked, this, &MainWindow::close);

    connect(&session_, &MeterSession::readingHandled, this,
            [this](const ReadingOutcome &outcome) { showReading(outcome, session_.isMeasuring()); });
    connect(&session_, &MeterSession::pollSent, this, &MainWindow::pollSent);
    connect(&session_, &MeterSession::measuringChanged, this, &MainWindow::measuringChanged);
    connect(&session_, &MeterSession::portProblem, this, &MainWindow::portProblem);
    connect(&session_, &MeterSession::portChanged, this, &MainWindow::showPortDevice);
}

// The start-up sequence. Every value put into a box raises that box's reaction on the spot,
// which is how the stored texts end up back in the settings.
void MainWindow::formLoad()
{
    placeWindow();
    loadSettingsOrTell();
    for (const std::string &note : restoreAccuracy(context_.settingsFile, context_.instrument.change().accuracy))
        tell(QStringLiteral("Accuracy setup"), toQt(note));
    const InstrumentSetup &state = context_.instrument.setup();
    const char sep = state.decimalSeparator;

    // Only a change of the box runs its reaction, so a stored value other than -1 and 0
    // survives a start and a later save.
    externalMeterBox_->setChecked(externalMeterIsOn(state.settings));

    attenuatorBox_->setText(toQt(textForm(state.settings.attenuatorDbm, sep)));
    unit(GaugeUnit::Dbm).max->setText(toQt(textForm(state.settings.dbmScaleMax, sep)));
    unit(GaugeUnit::Dbm).min->setText(toQt(textForm(state.settings.dbmScaleMin, sep)));
    const SettingValue storedRange = state.settings.frequencyRange;
    for (int range = 1; range <= 3; ++range)
        if (holdsNumber(storedRange, range, sep))
            rangeBoxes_[static_cast<std::size_t>(range - 1)]->setChecked(true);
    unit(GaugeUnit::Watt).max->setText(toQt(textForm(state.settings.wattScaleMax, sep)));
    unit(GaugeUnit::Watt).min->setText(toQt(textForm(state.settings.wattScaleMin, sep)));
    unit(GaugeUnit::Volt).max->setText(toQt(textForm(state.settings.voltScaleMax, sep)));
    unit(GaugeUnit::Volt).min->setText(toQt(textForm(state.settings.voltScaleMin, sep)));

    const SettingValue storedUnit = state.settings.gaugeUnit;
    for (const GaugeUnit u : kGaugeUnits) {
        if (!holdsNumber(storedUnit, static_cast<int>(u), sep))
            continue;
        for (const GaugeUnit other : kGaugeUnits) {
            unit(other).select->setChecked(other == u);
            unit(other).max->setEnabled(other == u);
            unit(other).min->setEnabled(other == u);
        }
        showScaleLimits(u);
    }
    refreshStatusLine();
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
    if (std::optional<Failure> failure = loadSettings(context_.settingsFile, context_.instrument.change().settings))
        tell(QStringLiteral("Settings file"),
             toQt(failure->message) + QStringLiteral("\nThe program goes on without these settings; the file is "
                                                     "not changed until you save from \"Calibration\"."));
}

void MainWindow::tell(const QString &title, const QString &text)
{
    context_.dialogs.showMessage(this, UserDialogs::Icon::Error, title, text);
}

void MainWindow::stopMeasure(NotLiveCause cause)
{
    session_.stop();
    liveness_.measuringStopped(cause, clockNow());
    showLiveness();
}

void MainWindow::selectFrequencyRange(int range, bool checked)
{
    QCheckBox *box = rangeBoxes_[static_cast<std::size_t>(range - 1)];
    if (checked) {
        for (QCheckBox *other : rangeBoxes_)
            if (other != box)
                other->setChecked(false);
        context_.instrument.change().settings.frequencyRange = static_cast<std::int16_t>(range);
        refreshStatusLine();
    } else if (!rangeBoxes_[0]->isChecked() && !rangeBoxes_[1]->isChecked() && !rangeBoxes_[2]->isChecked()) {
        box->setChecked(true);
    }
}

void MainWindow::attenuatorChanged()
{
    stopMeasure(NotLiveCause::AttenuatorEdited);
    InstrumentSetup &setup = context_.instrument.change();
    setup.settings.attenuatorDbm = toStd(attenuatorBox_->text());
    setup.attenuatorOn = true; // a value typed applies at once
}

void MainWindow::selectGaugeUnit(GaugeUnit selected, bool checked)
{
    if (checked) {
        context_.instrument.change().settings.gaugeUnit = static_cast<std::int16_t>(selected);
        for (const GaugeUnit other : kGaugeUnits) {
            if (other != selected)
                unit(other).select->setChecked(false);
            unit(other).max->setEnabled(other == selected);
            unit(other).min->setEnabled(other == selected);
        }
        showScaleLimits(selected);
        clearGauge();
        drawHelpScale();
        refreshStatusLine();
    } else if (!unit(GaugeUnit::Dbm).select->isChecked() && !unit(GaugeUnit::Watt).select->isChecked() &&
               !unit(GaugeUnit::Volt).select->isChecked()) {
        unit(selected).select->setChecked(true);
    }
}

void MainWindow::scaleLimitChanged(QLineEdit *box)
{
    stopMeasure(NotLiveCause::ScaleLimitEdited);
    for (const GaugeUnit u : kGaugeUnits) {
        if (box != unit(u).max && box != unit(u).min)
            continue;
        const ScaleLimitFields fields = scaleLimitFields(u);
        context_.instrument.change().settings.*(box == unit(u).max ? fields.max : fields.min) = toStd(box->text());
        showScaleLimits(u);
    }
    markLimitBoxes();
    clearGauge();
    drawHelpScale();
}

void MainWindow::helpScaleClicked()
{
    clearGauge();
    drawHelpScale();
}

void MainWindow::turboClicked()
{
    session_.setTurbo(turboBox_->isChecked());
}

void MainWindow::externalMeterClicked()
{
    applyExternalMeterSwitch(context_.instrument.change().settings, externalMeterBox_->isChecked());
}

void MainWindow::relativeMeasurementClicked(bool checked)
{
    InstrumentSetup &state = context_.instrument.change();
    state.relativeMode = checked;
    QLineEdit *dbmMax = unit(GaugeUnit::Dbm).max;
    QLineEdit *dbmMin = unit(GaugeUnit::Dbm).min;
    if (checked) {
        // Relative mode borrows the dBm boxes; the user's own limits wait until it ends.
        state.heldDbmScale = DbmScaleLimits{state.settings.dbmScaleMax, state.settings.dbmScaleMin};
        relativeFrame_->show();
        wattReadout_->setText(QStringLiteral("-"));
        voltReadout_->setText(QStringLiteral("-"));
        dbmReadout_->setText(QStringLiteral("-"));
        dbmUnitCaption_->setText(QStringLiteral("dB"));
        unit(GaugeUnit::Watt).select->setEnabled(false);
        unit(GaugeUnit::Volt).select->setEnabled(false);
        dbmMin->setText(QStringLiteral("0"));
        dbmMax->setText(QStringLiteral("20"));
        helpScaleBox_->setChecked(true);
        drawHelpScale();
        return;
    }
    relativeFrame_->hide();
    stopMeasure(NotLiveCause::RelativeModeEnded);
    helpScaleBox_->setChecked(false);
    dbmReadout_->setText(QStringLiteral("-"));
    dbmUnitCaption_->setText(QStringLiteral("dBm"));
    unit(GaugeUnit::Watt).select->setEnabled(true);
    unit(GaugeUnit::Volt).select->setEnabled(true);
    // Only the dBm limits come back. Reloading the whole file here would leave the attenuator,
    // range and unit boxes showing values that the readings no longer use.
    const std::optional<DbmScaleLimits> held = std::exchange(state.heldDbmScale, std::nullopt);
    if (!held)
        return;
    dbmMax->setText(toQt(textForm(held->max, state.decimalSeparator)));
    dbmMin->setText(toQt(textForm(held->min, state.decimalSeparator)));
}

void MainWindow::zeroReferenceClicked()
{
    context_.instrument.change().zeroReferenceDbm = session_.chain().levelDbm;
    zeroReferenceReadout_->setText(measurementReadout_->text());
}

void MainWindow::testClicked()
{
    // The user asked for this one value; it is not a reading the meter stopped renewing.
    showReading(session_.testVoltage(toStd(testVoltageBox_->text())), true);
}

void MainWindow::portChosen(const QString &entry)
{
    if (entry == QLatin1String("Close Port")) {
        stopMeasure(NotLiveCause::PortClosed);
        session_.closePort();
        return;
    }
    const std::optional<int> number = comPortNumber(entry);
    if (!number)
        return;
    if (const QString device = context_.ports.deviceFor(*number); !device.isEmpty())
        session_.openDevice(device, comPortName(*number));
    else
        session_.refusePort(noDeviceMessage(*number));
}

void MainWindow::startMeasureClicked()
{
    std::array<std::string, 2> dbm, watt, volt;
    const std::vector<GaugeUnit> failing = invalidScaleRanges(
        limitTexts(GaugeUnit::Dbm, dbm), limitTexts(GaugeUnit::Watt, watt), limitTexts(GaugeUnit::Volt, volt));
    for (const GaugeUnit u : failing)
        tell(toQt(scaleRangeErrorTitle(u)), toQt(std::string(kScaleRangeErrorText)));
    if (failing.empty())
        session_.start();
}

void MainWindow::calibrationClicked()
{
    stopMeasure(NotLiveCause::CalibrationOpened);
    if (!calibrationWindow_) {
        CalibrationHooks hooks{[this] { showSettingsInWindows(); },
                               [this](bool on) { externalMeterBox_->setChecked(on); }};
        calibrationWindow_ = new CalibrationWindow(context_, session_, hooks);
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

void MainWindow::setupClicked()
{
    if (!setupWindow_) {
        setupWindow_ = new SetupWindow(context_);
        // Readings under the old setup no longer stand for the level.
        connect(setupWindow_, &SetupWindow::setupChanged, this, [this] { averageLabel_->clear(); });
    }
    setupWindow_->showSetup();
    setupWindow_->show();
    setupWindow_->raise();
    setupWindow_->activateWindow();
}

void MainWindow::showSettingsInWindows()
{
    const MeterSettings s = context_.instrument.setup().settings;
    const char sep = context_.instrument.setup().decimalSeparator;
    attenuatorBox_->setText(toQt(textForm(s.attenuatorDbm, sep)));
    unit(GaugeUnit::Dbm).max->setText(toQt(textForm(s.dbmScaleMax, sep)));
    unit(GaugeUnit::Dbm).min->setText(toQt(textForm(s.dbmScaleMin, sep)));
    selectBox(rangeBoxes_[0]);
    unit(GaugeUnit::Watt).max->setText(toQt(textForm(s.wattScaleMax, sep)));
    unit(GaugeUnit::Watt).min->setText(toQt(textForm(s.wattScaleMin, sep)));
    unit(GaugeUnit::Volt).max->setText(toQt(textForm(s.voltScaleMax, sep)));
    unit(GaugeUnit::Volt).min->setText(toQt(textForm(s.voltScaleMin, sep)));
    selectBox(unit(GaugeUnit::Dbm).select);
    for (const GaugeUnit u : {GaugeUnit::Watt, GaugeUnit::Volt}) {
        unit(u).select->setChecked(false);
        unit(u).max->setEnabled(false);
        unit(u).min->setEnabled(false);
    }
    // The boxes now show the new dBm limits: those are what relative mode keeps for the user.
    if (context_.instrument.setup().heldDbmScale)
        context_.instrument.change().heldDbmScale = DbmScaleLimits{s.dbmScaleMax, s.dbmScaleMin};
    refreshStatusLine();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Leaving releases the port and stops both timers; an open calibration window stays, but the
    // trend of a run that has ended goes with the window, and the log is closed on its last row.
    remoteControls_->stop();
    if (setupWindow_)
        setupWindow_->close();
    session_.release();
    recorder_.stopRecording();
    recordingControls_->closeTrendWindow();
    event->accept();
}

// ---- what the session reports ----

void MainWindow::measuringChanged(bool on)
{
    // The measuring colour waits for the first poll.
    if (!on)
        setButtonColour(startMeasureButton_, look::kStopped);
}

void MainWindow::pollSent()
{
    setButtonColour(startMeasureButton_, look::kMeasuring);
    liveness_.pollSent(clockNow());
    showLiveness();
}

void MainWindow::portProblem(MeterSession::PortProblem problem, const QString &message)
{
    liveness_.measuringStopped(
        problem == MeterSession::PortProblem::Lost ? NotLiveCause::PortLost : NotLiveCause::NoPort, clockNow());
    showLiveness();
    if (problem == MeterSession::PortProblem::NotOpen) {
        tell(QStringLiteral("Start Measure"), message);
        return;
    }
    portList_->setCurrentIndex(0);
    tell(QStringLiteral("Select Port"), message);
}

// The list shows "Com N" only, so its tooltip says which device is behind the open port.
void MainWindow::showPortDevice()
{
    portList_->setToolTip(session_.isPortOpen() ? QStringLiteral("%1: %2").arg(session_.portName(), session_.device())
                                                : QStringLiteral("No port is open"));
}

void MainWindow::apply(const ReadingOutcome &out)
{
    if (out.traceText)
        frameTraceLabel_->setText(toQt(*out.traceText));
    if (out.voltageText)
        voltageLabel_->setText(toQt(*out.voltageText));
    if (out.capture && calibrationWindow_)
        calibrationWindow_->setCaptureText(out.capture->slot, toQt(out.capture->text));
    if (out.captureProgress && calibrationWindow_)
        calibrationWindow_->captureProgress(out.captureProgress->slot, toQt(out.captureProgress->text));
    if (out.slopeText)
        slopeLabel_->setText(toQt(*out.slopeText));
    if (out.interceptText)
        interceptLabel_->setText(toQt(*out.interceptText));
    if (out.lamp != LampAction::LeaveUnchanged)
        warningLamp_->setVisible(out.lamp == LampAction::Show);
    if (out.dbmText)
        dbmReadout_->setText(toQt(*out.dbmText));
    if (out.voltText)
        voltReadout_->setText(toQt(*out.voltText));
    if (out.wattText)
        wattReadout_->setText(toQt(*out.wattText));
    if (out.measurementText)
        measurementReadout_->setText(toQt(*out.measurementText));
    if (out.positionText)
        positionLabel_->setText(toQt(*out.positionText));
    readingProblem_ = out.problem;
    readingNotice_ = out.notice;
    if (out.dbmText)
        averageLabel_->setText(out.averageText ? toQt(*out.averageText) : QString());
    if (out.clearNeedle) {
        clearGauge();
        drawHelpScale();
    }
    if (out.redrawGauge)
        updateGauge();
}

void MainWindow::showReading(const ReadingOutcome &out, bool renewed)
{
    // Readouts the outcome leaves alone keep whatever liveness they had.
    if (out.dbmText)
        liveness_.readingShown(out.levels.has_value(), renewed, clockNow());
    apply(out);
    showLiveness();
}

void MainWindow::showLiveness()
{
    const bool greyed = liveness_.greyed();
    if (greyed != greyedShown_) {
        greyedShown_ = greyed;
        const std::pair<QLabel *, QColor> readouts[] = {{dbmReadout_, look::kDbmReadout},
                                                        {wattReadout_, look::kWattReadout},
                                                        {voltReadout_, look::kVoltReadout},
                                                        {measurementReadout_, look::kVoltReadout}};
        for (const auto &[label, liveColour] : readouts)
            setTextColour(label, greyed ? look::kNotLive : liveColour);
        if (needleShown_)
            updateGauge();
    }
    refreshStatusLine();
}

// The diagnostic strip lies below the visible window, so the reason goes where the user looks:
// first what the user just typed, then why the numbers are not live, then what the last reading
// could not show, and on a first start the one step that makes measuring possible.
void MainWindow::refreshStatusLine()
{
    std::optional<std::string> text = limitProblem_;
    for (const auto &next : {liveness_.statusText(), readingProblem_, readingNotice_,
                             setupHint(context_.instrument.setup().settings, context_.instrument.setup().decimalSeparator)})
        if (!text)
            text = next;
    const QString shown = text ? toQt(*text) : QString();
    if (shown == statusLine_->text())
        return;
    statusLine_->setText(shown);
    statusLine_->setToolTip(shown);
}

void MainWindow::markLimitBoxes()
{
    limitProblem_.reset();
    for (const GaugeUnit u : kGaugeUnits) {
        for (QLineEdit *box : {unit(u).max, unit(u).min}) {
            const std::optional<std::string> problem = scaleLimitProblem(u, toStd(box->text()), box == unit(u).max);
            markBox(box, problem.has_value());
            box->setToolTip(problem ? toQt(*problem) : QString());
            if (problem && !limitProblem_)
                limitProblem_ = problem;
        }
    }
    refreshStatusLine();
}

// ---- gauge ----

ScaleLimitTexts MainWindow::limitTexts(GaugeUnit u, std::array<std::string, 2> &storage) const
{
    storage = {toStd(unit(u).max->text()), toStd(unit(u).min->text())};
    return {storage[0], storage[1]};
}

void MainWindow::showScaleLimits(GaugeUnit u)
{
    std::array<std::string, 2> storage;
    const LimitCaptions captions = scaleLimitCaptions(u, limitTexts(u, storage), relativeBox_->isChecked());
    maxLimitLabel_->setText(toQt(captions.max));
    minLimitLabel_->setText(toQt(captions.min));
}

void MainWindow::clearGauge()
{
    gaugeFace_->clear();
    needleShown_ = false;
}

void MainWindow::drawHelpScale()
{
    if (!helpScaleBox_->isChecked())
        return;
    // In relative mode the needle follows the dB scale, so the marks print that scale too.
    const std::optional<GaugeUnit> shown =
        relativeBox_->isChecked() ? GaugeUnit::Dbm
                                  : selectedGaugeUnit(context_.instrument.setup().settings, context_.instrument.setup().decimalSeparator);
    if (!shown)
        return;
    std::array<std::string, 2> storage;
    for (const HelpScaleText &text : helpScaleTexts(*shown, limitTexts(*shown, storage)))
        gaugeFace_->printText({text.x, text.y}, toQt(text.text));
}

void MainWindow::updateGauge()
{
    gaugeFace_->clear();
    gaugeFace_->drawNeedle(session_.chain().scalePosition, thinNeedleBox_->isChecked(), !liveness_.greyed());
    needleShown_ = true;
    drawHelpScale();
}

} // namespace merolan
