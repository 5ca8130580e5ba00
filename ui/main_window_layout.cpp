// The controls of the main window at their designed pixel positions (15 twips per pixel).
#include "gauge/gauge_face.hpp"
#include "ui/main_window.hpp"
#include "ui/port_combo_box.hpp"
#include "ui/widget_factory.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace merolan {
namespace {

const QColor kCaptionGrey(224, 224, 224);
const QColor kStoppedColour(255, 192, 192);
const QColor kProblemRed(160, 0, 0);

// The large readouts: light text on the dark of the system's menu text.
QLabel *readout(QWidget *parent, const char *name, QRect rect, const QString &text, QColor colour, int points)
{
    QLabel *label = makeLabel(parent, name, rect, text);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::WindowText));
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(sansFont(points));
    return label;
}

QLabel *bordered(QWidget *parent, const char *name, QRect rect, const QString &text)
{
    QLabel *label = makeLabel(parent, name, rect, text);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    return label;
}

// Captions start at the top of their rectangle, level with the bare check box beside them.
QLabel *caption(QWidget *parent, const char *name, QRect rect, const QString &text)
{
    QLabel *label = makeLabel(parent, name, rect, text);
    setTextColour(label, kCaptionGrey);
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
    QLabel *label = bordered(parent, name, rect, QString());
    label->setAlignment(Qt::AlignCenter);
    label->setFont(arialFont(16, true));
    setTextColour(label, QColor(0, 0, 255));
    return label;
}

} // namespace

void MainWindow::buildControls()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("MEROLAN - RF Power Meter"));
    resize(1005, 798);
    setFont(sansFont(11)); // the classic 8-point dialog face the layout was drawn for

    // The diagnostic strip below the front panel.
    makeLabel(this, "Label16", {24, 644, 69, 17}, QStringLiteral("AD Voltage :"));
    label1_ = bordered(this, "Label1", {104, 644, 137, 21}, QStringLiteral("Label1"));
    label2_ = bordered(this, "Label2", {252, 644, 149, 21}, QStringLiteral("Label1"));
    for (QLabel *label : {label1_, label2_}) {
        label->setAlignment(Qt::AlignCenter);
        label->setFont(arialFont(16, false));
    }
    label19_ = bordered(this, "Label19", {104, 664, 413, 21}, QStringLiteral("Label13"));
    makeLabel(this, "Label18", {20, 672, 73, 17}, QStringLiteral("Beräknad pwm"));
    command5_ = makeButton(this, "Command5", {20, 696, 77, 21}, QStringLiteral("test"));
    text1_ = makeLineEdit(this, "Text1", {104, 696, 61, 21}, QStringLiteral("0,9"));
    QGroupBox *frame5 = makeFrame(this, "Frame5", {596, 632, 249, 73}, QStringLiteral("Frame5"));
    makeLabel(frame5, "Label7", {12, 28, 53, 17}, QStringLiteral("k_lutning"));
    label8_ = bordered(frame5, "Label8", {64, 28, 161, 17}, QStringLiteral("Label8"));
    makeLabel(frame5, "Label9", {12, 48, 53, 17}, QStringLiteral("m_lutning"));
    label10_ = bordered(frame5, "Label10", {64, 48, 161, 17}, QStringLiteral("Label8"));

    picture1_ = makeLabel(this, "Picture1", {8, 4, 997, 625}, QString());
    picture1_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture1_->setLineWidth(1);
    picture1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture1_->setPixmap(QPixmap(QStringLiteral(":/artwork/front_panel.png")));
    QWidget *panel = picture1_;

    // Right-hand panel: readouts, then the four painted boxes, then Info and Exit.
    // The substitute face is wider than the classic 24-point one: at 29 px the widest reading,
    // "-107.08 dBm", still keeps some room inside the frame.
    constexpr int readoutPixels = 29;
    label6_ = readout(panel, "Label6", {728, 60, 185, 41}, QStringLiteral("dBm"), QColor(255, 255, 192), readoutPixels);
    label11_ =
        readout(panel, "Label11", {728, 116, 185, 41}, QStringLiteral("Watt"), QColor(255, 128, 128), readoutPixels);
    label12_ =
        readout(panel, "Label12", {728, 172, 185, 41}, QStringLiteral("Volt"), QColor(192, 255, 192), readoutPixels);
    caption(panel, "Label3", {724, 255, 133, 25}, QStringLiteral("Attenuator (dBm) :"));
    text2_ = centredBox(panel, "Text2", {853, 252, 65, 17}, QStringLiteral("0"));
    check5_ = makeCheckBox(panel, "Check5", {780, 312, 13, 13});
    label13_ = caption(panel, "Label13", {796, 312, 41, 17}, QStringLiteral("dBm"));
    check6_ = makeCheckBox(panel, "Check6", {836, 312, 13, 13});
    caption(panel, "Label21", {856, 312, 41, 17}, QStringLiteral("W"));
    check7_ = makeCheckBox(panel, "Check7", {892, 312, 13, 13});
    caption(panel, "Label22", {916, 312, 33, 17}, QStringLiteral("V"));
    caption(panel, "Label4", {708, 333, 70, 18}, QStringLiteral("Max Scale :"));
    text3_ = centredBox(panel, "Text3", {773, 332, 49, 17}, QStringLiteral("-10"));
    text5_ = centredBox(panel, "Text5", {829, 332, 49, 17}, QStringLiteral("-10"));
    text7_ = centredBox(panel, "Text7", {885, 332, 49, 17}, QStringLiteral("-10"));
    caption(panel, "Label5", {708, 355, 60, 25}, QStringLiteral("Min Scale :"));
    text4_ = centredBox(panel, "Text4", {773, 356, 49, 17}, QStringLiteral("-10"));
    text6_ = centredBox(panel, "Text6", {830, 356, 49, 17}, QStringLiteral("-10"));
    text8_ = centredBox(panel, "Text8", {885, 356, 49, 17}, QStringLiteral("-10"));
    check8_ = makeCheckBox(panel, "Check8", {720, 428, 13, 13});
    caption(panel, "Label24", {740, 428, 41, 25}, QStringLiteral("Low"));
    check9_ = makeCheckBox(panel, "Check9", {804, 428, 13, 13});
    caption(panel, "Label25", {824, 428, 41, 25}, QStringLiteral("Mid"));
    check10_ = makeCheckBox(panel, "Check10", {884, 428, 13, 13});
    caption(panel, "Label26", {904, 428, 41, 25}, QStringLiteral("High"));
    caption(panel, "Label30", {720, 508, 93, 25}, QStringLiteral("Select Port :"));
    combo1_ = new PortComboBox([this] { return portDevices(); }, panel);
    combo1_->setObjectName(QStringLiteral("Combo1"));
    combo1_->setGeometry(808, 504, 97, 21);
    combo1_->setEditable(true);
    combo1_->setInsertPolicy(QComboBox::NoInsert);
    command4_ = makeButton(panel, "Command4", {704, 564, 89, 25}, QStringLiteral("Info"));
    command1_ = makeButton(panel, "Command1", {852, 564, 89, 25}, QStringLiteral("Exit"));

    // Left half: the gauge, the options under it, the two buttons and relative measurement.
    picture2_ = new GaugeFace(panel);
    picture2_->move(117, 99);
    picture3_ = makeLabel(picture2_, "Picture3", {228, 144, 67, 67}, QString());
    picture3_->setPixmap(QPixmap(QStringLiteral(":/artwork/warning_lamp.png")));
    picture3_->hide();

    // Free panel between the meter window and the options: why a readout is not live.
    statusLine_ = makeLabel(panel, "StatusLine", {196, 353, 360, 34}, QString());
    statusLine_->setWordWrap(true);
    statusLine_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setTextColour(statusLine_, kProblemRed);
    makeLabel(picture2_, "Label14", {9, 171, 45, 17}, QStringLiteral("Min :"))->setFont(arialFont(15, true));
    label15_ = limitLabel(picture2_, "Label15", {6, 191, 82, 23});
    makeLabel(picture2_, "Label20", {481, 170, 45, 17}, QStringLiteral("Max :"))->setFont(arialFont(15, true));
    label17_ = limitLabel(picture2_, "Label17", {442, 188, 82, 23});

    check1_ = makeCheckBox(panel, "Check1", {96, 392, 13, 13});
    caption(panel, "Label23", {116, 392, 161, 25}, QStringLiteral("Activate External Gauge Meter"));
    check4_ = makeCheckBox(panel, "Check4", {280, 392, 13, 13});
    caption(panel, "Label27", {300, 392, 161, 25}, QStringLiteral("Turbo Speed"));
    check3_ = makeCheckBox(panel, "Check3", {404, 392, 13, 13});
    caption(panel, "Label28", {424, 392, 161, 25}, QStringLiteral("Thin Needle"));
    check2_ = makeCheckBox(panel, "Check2", {524, 392, 13, 13});
    caption(panel, "Label29", {544, 392, 109, 25}, QStringLiteral("Activate Help Scale"));
    command2_ = makeButton(panel, "Command2", {132, 420, 89, 25}, QStringLiteral("Start Measure"));
    setButtonColour(command2_, kStoppedColour);
    command3_ = makeButton(panel, "Command3", {524, 420, 89, 25}, QStringLiteral("Calibration"));
    check11_ = makeCheckBox(panel, "Check11", {280, 428, 13, 13});
    caption(panel, "Label31", {300, 428, 169, 25}, QStringLiteral("Relative Measurement"));

    frame1_ = makeFrame(panel, "Frame1", {252, 460, 253, 121}, QStringLiteral("Relative Measurement Control"));
    makeLabel(frame1_, "Label33", {8, 28, 89, 21}, QStringLiteral("Zero reference :"));
    label32_ = readout(frame1_, "Label32", {96, 24, 109, 25}, QStringLiteral("-"), QColor(255, 255, 192), 16);
    makeLabel(frame1_, "Label35", {8, 56, 89, 21}, QStringLiteral("Measurement :"));
    label34_ = readout(frame1_, "Label34", {96, 52, 109, 25}, QStringLiteral("-"), QColor(192, 255, 192), 16);
    command6_ = makeButton(frame1_, "Command6", {96, 84, 109, 25}, QStringLiteral("Zero Reference"));
    frame1_->hide();

    timer1_.setParent(this); // children, so they are found by name like every other control
    timer2_.setParent(this);
    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setInterval(330);
    timer1_.setTimerType(Qt::PreciseTimer); // a coarse timer would poll every 325 ms
    timer2_.setObjectName(QStringLiteral("Timer2"));
    timer2_.setInterval(400);
}

} // namespace merolan
