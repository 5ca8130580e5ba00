#pragma once

#include "core/meter_settings.hpp"
#include "core/reading_chain.hpp"
#include "gauge/scale_range.hpp"
#include "link/serial_link.hpp"
#include "ui/app_context.hpp"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace merolan {

class CalibrationWindow;
class GaugeFace;
class InfoWindow;
class PortComboBox;

// The instrument's front panel: readouts, gauge, options, port and measuring controls.
// Every control carries its name as objectName; reactions gather control values, call the
// logic and apply the result.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    explicit MainWindow(AppContext &context, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Brings the controls in line with the settings after a factory reset or an import.
    void showSettingsInWindows();
    void stopMeasure();
    bool isMeasuring() const { return timer1_.isActive(); }
    SerialLink &link() { return link_; }
    GaugeFace &gaugeFace() { return *picture2_; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void connectReactions();
    void formLoad();
    void placeWindow();

    // Reactions
    void selectFrequencyRange(int range, bool checked);
    void attenuatorChanged();
    void selectGaugeUnit(GaugeUnit unit, bool checked);
    void scaleLimitChanged(QLineEdit *box);
    void helpScaleClicked();
    void turboClicked();
    void externalMeterClicked();
    void relativeMeasurementClicked(bool checked);
    void zeroReferenceClicked();
    void testClicked();
    void portChosen(const QString &entry);
    void startMeasureClicked();
    void pollTick();
    void closeTick();
    void readArrived(const QByteArray &read);
    void portLost(const QString &message);
    void calibrationClicked();
    void infoClicked();

    // Gauge
    void updateGauge();
    void drawHelpScale();
    void clearGauge();
    void showScaleLimits(GaugeUnit unit);

    ReadingInputs readingInputs() const;
    ScaleLimitTexts limitTexts(GaugeUnit unit, std::array<std::string, 2> &storage) const;
    void apply(const ReadingOutcome &outcome);
    void showProblem(const std::optional<std::string> &problem);
    QStringList portDevices() const;
    void showPortDevice();
    void loadSettingsOrTell();
    void tell(const QString &title, const QString &text);

    AppContext &context_;
    SerialLink link_;
    QTimer timer1_;
    QTimer timer2_;
    bool toldNoPort_ = false;
    QPointer<CalibrationWindow> calibrationWindow_;
    QPointer<InfoWindow> infoWindow_;

    QLabel *picture1_ = nullptr;
    GaugeFace *picture2_ = nullptr;
    QLabel *picture3_ = nullptr;
    QLabel *label1_ = nullptr, *label2_ = nullptr, *label19_ = nullptr;
    QLabel *label8_ = nullptr, *label10_ = nullptr;
    QLabel *label6_ = nullptr, *label11_ = nullptr, *label12_ = nullptr, *label13_ = nullptr;
    QLabel *label15_ = nullptr, *label17_ = nullptr, *label32_ = nullptr, *label34_ = nullptr;
    QLineEdit *text1_ = nullptr, *text2_ = nullptr;
    QLineEdit *text3_ = nullptr, *text4_ = nullptr, *text5_ = nullptr, *text6_ = nullptr;
    QLineEdit *text7_ = nullptr, *text8_ = nullptr;
    QCheckBox *check1_ = nullptr, *check2_ = nullptr, *check3_ = nullptr, *check4_ = nullptr;
    QCheckBox *check5_ = nullptr, *check6_ = nullptr, *check7_ = nullptr;
    QCheckBox *check8_ = nullptr, *check9_ = nullptr, *check10_ = nullptr, *check11_ = nullptr;
    PortComboBox *combo1_ = nullptr;
    QLabel *statusLine_ = nullptr; // why a readout or the needle is not live
    QPushButton *command1_ = nullptr, *command2_ = nullptr, *command3_ = nullptr, *command4_ = nullptr;
    QPushButton *command5_ = nullptr, *command6_ = nullptr;
    QGroupBox *frame1_ = nullptr;
};

} // namespace merolan
