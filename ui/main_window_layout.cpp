// The controls of the main window at their designed pixel positions (15 twips per pixel).
#include "gauge/gauge_face.hpp"
#include "gauge/panel_geometry.hpp"
#include "ui/look.hpp"
#include "ui/main_window.hpp"
#include "ui/port_combo_box.hpp"
#include "ui/recording_controls.hpp"
#include "ui/remote_controls.hpp"
#include "ui/widget_factory.hpp"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace merolan {
namespace {

// Every control's rectangle, in the coordinates of the widget that holds it.
namespace layout {
// On the window, below the front panel: the diagnostic strip.
constexpr QRect frontPanel{8, 4, 997, 625};
constexpr QRect voltageCaption{24, 644, 69, 17};
constexpr QRect voltageLabel{104, 644, 137, 21};
constexpr QRect frameTraceLabel{252, 644, 149, 21};
constexpr QRect positionLabel{104, 664, 413, 21};
constexpr QRect positionCaption{20, 672, 73, 17};
constexpr QRect testButton{20, 696, 77, 21};
constexpr QRect testVoltageBox{104, 696, 61, 21};
constexpr QRect lineFrame{596, 632, 249, 73};
// In the line frame.
constexpr QRect slopeCaption{12, 28, 53, 17};
constexpr QRect slopeLabel{64, 28, 161, 17};
constexpr QRect interceptCaption{12, 48, 53, 17};
constexpr QRect interceptLabel{64, 48, 161, 17};

// On the front panel, right half: readouts, the four painted boxes, Info and Exit.
constexpr QRect dbmReadout{728, 60, 185, 41};
// Below the readouts' window: how many readings the level is the mean of.
constexpr QRect averageLabel{728, 224, 185, 16};
// The title band's free middle, right of "Remote".
constexpr QRect setupButton{764, 13, 89, 23};
constexpr QRect wattReadout{728, 116, 185, 41};
constexpr QRect voltReadout{728, 172, 185, 41};
constexpr QRect attenuatorCaption{724, 255, 133, 25};
constexpr QRect attenuatorBox{853, 252, 65, 17};
constexpr QRect dbmUnitBox{780, 312, 13, 13};
constexpr QRect dbmUnitCaption{796, 312, 41, 17};
constexpr QRect wattUnitBox{836, 312, 13, 13};
constexpr QRect wattUnitCaption{856, 312, 41, 17};
constexpr QRect voltUnitBox{892, 312, 13, 13};
constexpr QRect voltUnitCaption{916, 312, 33, 17};
constexpr QRect maxScaleCaption{708, 333, 70, 18};
constexpr QRect dbmMaxBox{773, 332, 49, 17};
constexpr QRect wattMaxBox{829, 332, 49, 17};
constexpr QRect voltMaxBox{885, 332, 49, 17};
constexpr QRect minScaleCaption{708, 355, 60, 25};
constexpr QRect dbmMinBox{773, 356, 49, 17};
constexpr QRect wattMinBox{830, 356, 49, 17};
constexpr QRect voltMinBox{885, 356, 49, 17};
constexpr QRect lowRangeBox{720, 428, 13, 13};
constexpr QRect lowRangeCaption{740, 428, 41, 25};
constexpr QRect midRangeBox{804, 428, 13, 13};
constexpr QRect midRangeCaption{824, 428, 41, 25};
constexpr QRect highRangeBox{884, 428, 13, 13};
constexpr QRect highRangeCaption{904, 428, 41, 25};
constexpr QRect portCaption{720, 508, 93, 25};
constexpr QRect portList{808, 504, 97, 21};
constexpr QRect infoButton{704, 564, 89, 25};
constexpr QRect exitButton{852, 564, 89, 25};

// On the front panel, left half: the gauge, the options under it, relative measurement.
// Where the panel picture was drawn with the face.
constexpr QPoint gaugeFace{kFaceOnPanel.x, kFaceOnPanel.y};
constexpr QRect statusLine{196, 353, 360, 34}; // free panel between the meter and the options
constexpr QRect externalMeterBox{96, 392, 13, 13};
constexpr QRect externalMeterCaption{116, 392, 161, 25};
constexpr QRect turboBox{280, 392, 13, 13};
constexpr QRect turboCaption{300, 392, 161, 25};
constexpr QRect thinNeedleBox{404, 392, 13, 13};
constexpr QRect thinNeedleCaption{424, 392, 161, 25};
constexpr QRect helpScaleBox{524, 392, 13, 13};
constexpr QRect helpScaleCaption{544, 392, 109, 25};
constexpr QRect startMeasureButton{132, 420, 89, 25};
constexpr QRect calibrationButton{524, 420, 89, 25};
constexpr QRect relativeBox{280, 428, 13, 13};
constexpr QRect relativeCaption{300, 428, 169, 25};
constexpr QRect relativeFrame{252, 460, 253, 121};
// In the relative frame.
constexpr QRect zeroReferenceCaption{8, 28, 89, 21};
constexpr QRect zeroReferenceReadout{96, 24, 109, 25};
constexpr QRect measurementCaption{8, 56, 89, 21};
constexpr QRect measurementReadout{96, 52, 109, 25};
constexpr QRect zeroReferenceButton{96, 84, 109, 25};

// On the gauge face. The lamp's box is a row shorter than its picture; that row is bare face.
constexpr QRect warningLamp{kLampOnFace.x, kLampOnFace.y, 67, 67};
constexpr QRect minCaption{9, 171, 45, 17};
constexpr QRect minLimitLabel{6, 191, 82, 23};
constexpr QRect maxCaption{481, 170, 45, 17};
constexpr QRect maxLimitLabel{442, 188, 82, 23};
} // namespace layout

// The substitute face is wider than the classic 24-point one: at 29 px the widest reading,
// "-107.08 dBm", still keeps some room inside the frame.
constexpr int kReadoutPixels = 29;
constexpr int kSmallReadoutPixels = 16;

// The large readouts: light text on the dark of the system's menu text.
QLabel *readout(QWidget *parent, const char *name, QRect rect, const QString &text, QColor colour, int pixels)
{
    QLabel *label = makeBoxLabel(parent, name, rect, text);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::WindowText));
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(sansFont(pixels));
    return label;
}

// Captions start at the top of their rectangle, level with the bare check box beside them.
QLabel *caption(QWidget *parent, const char *name, QRect rect, const QString &text)
{
    QLabel *label = makeLabel(parent, name, rect, text);
    setTextColour(label, look::kCaptionGrey);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QLineEdit *centredBox(QWidget *parent, const char *name, QRect rect, const QString &text)
{
    QLineEdit *box = makeLineEdit(parent, name, rect, text);
    box->setAlignment(Qt::AlignCenter);
    return box;
}

// The limit texts on the face: blue, boxed, centred.
QLabel *limitLabel(QWidget *parent, const char *name, QRect rect)
{
    QLabel *label = makeBoxLabel(parent, name, rect, QString());
    label->setAlignment(Qt::AlignCenter);
    label->setFont(arialFont(16, true));
    setTextColour(label, look::kLimitBlue);
    return label;
}

} // namespace

void MainWindow::buildControls()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("MEROLAN - RF Power Meter"));
    resize(1005, 798);
    setFont(sansFont(11)); // the classic 8-point dialog face the layout was drawn for

    makeLabel(this, "Label16", layout::voltageCaption, QStringLiteral("AD Voltage :"));
    voltageLabel_ = makeBoxLabel(this, "Label1", layout::voltageLabel, QStringLiteral("Label1"));
    frameTraceLabel_ = makeBoxLabel(this, "Label2", layout::frameTraceLabel, QStringLiteral("Label1"));
    for (QLabel *label : {voltageLabel_, frameTraceLabel_}) {
        label->setAlignment(Qt::AlignCenter);
        label->setFont(arialFont(16, false));
    }
    positionLabel_ = makeBoxLabel(this, "Label19", layout::positionLabel, QStringLiteral("Label13"));
    makeLabel(this, "Label18", layout::positionCaption, QStringLiteral("Beräknad pwm"));
    testButton_ = makeButton(this, "Command5", layout::testButton, QStringLiteral("test"));
    testVoltageBox_ = makeLineEdit(this, "Text1", layout::testVoltageBox, QStringLiteral("0,9"));
    QGroupBox *lineFrame = makeFrame(this, "Frame5", layout::lineFrame, QStringLiteral("Frame5"));
    makeLabel(lineFrame, "Label7", layout::slopeCaption, QStringLiteral("k_lutning"));
    slopeLabel_ = makeBoxLabel(lineFrame, "Label8", layout::slopeLabel, QStringLiteral("Label8"));
    makeLabel(lineFrame, "Label9", layout::interceptCaption, QStringLiteral("m_lutning"));
    interceptLabel_ = makeBoxLabel(lineFrame, "Label10", layout::interceptLabel, QStringLiteral("Label8"));

    frontPanel_ = makeArtwork(this, "Picture1", layout::frontPanel, QStringLiteral("front_panel"));
    frontPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frontPanel_->setLineWidth(1);
    frontPanel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The controls are placed in the panel's client area, inside its border, where the picture is
    // drawn: placed on the bordered widget itself they would all sit one pixel up and left of it.
    QWidget *panel = new QWidget(frontPanel_);
    panel->setObjectName(QStringLiteral("Picture1Client"));
    panel->setGeometry(frontPanel_->contentsRect());

    dbmReadout_ =
        readout(panel, "Label6", layout::dbmReadout, QStringLiteral("dBm"), look::kDbmReadout, kReadoutPixels);
    wattReadout_ =
        readout(panel, "Label11", layout::wattReadout, QStringLiteral("Watt"), look::kWattReadout, kReadoutPixels);
    voltReadout_ =
        readout(panel, "Label12", layout::voltReadout, QStringLiteral("Volt"), look::kVoltReadout, kReadoutPixels);
    caption(panel, "Label3", layout::attenuatorCaption, QStringLiteral("Attenuator (dBm) :"));
    attenuatorBox_ = centredBox(panel, "Text2", layout::attenuatorBox, QStringLiteral("0"));

    UnitControls &dbm = units_[0], &watt = units_[1], &volt = units_[2];
    dbm.select = makeCheckBox(panel, "Check5", layout::dbmUnitBox);
    dbmUnitCaption_ = caption(panel, "Label13", layout::dbmUnitCaption, QStringLiteral("dBm"));
    watt.select = makeCheckBox(panel, "Check6", layout::wattUnitBox);
    caption(panel, "Label21", layout::wattUnitCaption, QStringLiteral("W"));
    volt.select = makeCheckBox(panel, "Check7", layout::voltUnitBox);
    caption(panel, "Label22", layout::voltUnitCaption, QStringLiteral("V"));
    caption(panel, "Label4", layout::maxScaleCaption, QStringLiteral("Max Scale :"));
    dbm.max = centredBox(panel, "Text3", layout::dbmMaxBox, QStringLiteral("-10"));
    watt.max = centredBox(panel, "Text5", layout::wattMaxBox, QStringLiteral("-10"));
    volt.max = centredBox(panel, "Text7", layout::voltMaxBox, QStringLiteral("-10"));
    caption(panel, "Label5", layout::minScaleCaption, QStringLiteral("Min Scale :"));
    dbm.min = centredBox(panel, "Text4", layout::dbmMinBox, QStringLiteral("-10"));
    watt.min = centredBox(panel, "Text6", layout::wattMinBox, QStringLiteral("-10"));
    volt.min = centredBox(panel, "Text8", layout::voltMinBox, QStringLiteral("-10"));

    rangeBoxes_ = {makeCheckBox(panel, "Check8", layout::lowRangeBox),
                   makeCheckBox(panel, "Check9", layout::midRangeBox),
                   makeCheckBox(panel, "Check10", layout::highRangeBox)};
    caption(panel, "Label24", layout::lowRangeCaption, QStringLiteral("Low"));
    caption(panel, "Label25", layout::midRangeCaption, QStringLiteral("Mid"));
    caption(panel, "Label26", layout::highRangeCaption, QStringLiteral("High"));

    caption(panel, "Label30", layout::portCaption, QStringLiteral("Select Port :"));
    portList_ = new PortComboBox([this] { return context_.ports.devices(); }, panel);
    portList_->setObjectName(QStringLiteral("Combo1"));
    portList_->setGeometry(layout::portList);
    infoButton_ = makeButton(panel, "Command4", layout::infoButton, QStringLiteral("Info"));
    exitButton_ = makeButton(panel, "Command1", layout::exitButton, QStringLiteral("Exit"));

    gaugeFace_ = new GaugeFace(panel);
    gaugeFace_->move(layout::gaugeFace);
    warningLamp_ = makeArtwork(gaugeFace_, "Picture3", layout::warningLamp, QStringLiteral("warning_lamp"));
    // From the box's top, on the face pixels it was drawn over; centred, the taller picture
    // would sit a row higher than the face around it.
    warningLamp_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    warningLamp_->hide();
    makeLabel(gaugeFace_, "Label14", layout::minCaption, QStringLiteral("Min :"))->setFont(arialFont(15, true));
    minLimitLabel_ = limitLabel(gaugeFace_, "Label15", layout::minLimitLabel);
    makeLabel(gaugeFace_, "Label20", layout::maxCaption, QStringLiteral("Max :"))->setFont(arialFont(15, true));
    maxLimitLabel_ = limitLabel(gaugeFace_, "Label17", layout::maxLimitLabel);

    statusLine_ = makeLabel(panel, "StatusLine", layout::statusLine, QString());
    statusLine_->setWordWrap(true);
    statusLine_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setTextColour(statusLine_, look::kProblem);
    recordingControls_ = new RecordingControls(context_, session_, recorder_, panel); // a child of the panel
    remoteControls_ = new RemoteControls(context_, session_, panel);
    setupButton_ = makeButton(panel, "SetupButton", layout::setupButton, QStringLiteral("Setup"));
    setupButton_->setToolTip(QStringLiteral("Averaging, frequency and correction table"));
    averageLabel_ = makeLabel(panel, "AverageLabel", layout::averageLabel, QString());
    averageLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setTextColour(averageLabel_, look::kNotLive);
    connect(remoteControls_, &RemoteControls::remoteChanged, recordingControls_, &RecordingControls::showRemote);

    externalMeterBox_ = makeCheckBox(panel, "Check1", layout::externalMeterBox);
    caption(panel, "Label23", layout::externalMeterCaption, QStringLiteral("Activate External Gauge Meter"));
    turboBox_ = makeCheckBox(panel, "Check4", layout::turboBox);
    caption(panel, "Label27", layout::turboCaption, QStringLiteral("Turbo Speed"));
    thinNeedleBox_ = makeCheckBox(panel, "Check3", layout::thinNeedleBox);
    caption(panel, "Label28", layout::thinNeedleCaption, QStringLiteral("Thin Needle"));
    helpScaleBox_ = makeCheckBox(panel, "Check2", layout::helpScaleBox);
    caption(panel, "Label29", layout::helpScaleCaption, QStringLiteral("Activate Help Scale"));
    startMeasureButton_ = makeButton(panel, "Command2", layout::startMeasureButton, QStringLiteral("Start Measure"));
    setButtonColour(startMeasureButton_, look::kStopped);
    calibrationButton_ = makeButton(panel, "Command3", layout::calibrationButton, QStringLiteral("Calibration"));
    relativeBox_ = makeCheckBox(panel, "Check11", layout::relativeBox);
    caption(panel, "Label31", layout::relativeCaption, QStringLiteral("Relative Measurement"));

    relativeFrame_ = makeFrame(panel, "Frame1", layout::relativeFrame, QStringLiteral("Relative Measurement Control"));
    makeLabel(relativeFrame_, "Label33", layout::zeroReferenceCaption, QStringLiteral("Zero reference :"));
    zeroReferenceReadout_ = readout(relativeFrame_, "Label32", layout::zeroReferenceReadout, QStringLiteral("-"),
                                    look::kDbmReadout, kSmallReadoutPixels);
    makeLabel(relativeFrame_, "Label35", layout::measurementCaption, QStringLiteral("Measurement :"));
    measurementReadout_ = readout(relativeFrame_, "Label34", layout::measurementReadout, QStringLiteral("-"),
                                  look::kVoltReadout, kSmallReadoutPixels);
    zeroReferenceButton_ =
        makeButton(relativeFrame_, "Command6", layout::zeroReferenceButton, QStringLiteral("Zero Reference"));
    relativeFrame_->hide();
}

} // namespace merolan
