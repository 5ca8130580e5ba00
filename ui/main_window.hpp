#pragma once

#include "core/settings/meter_settings.hpp"
#include "core/reading/reading_chain.hpp"
#include "core/reading/readout_liveness.hpp"
#include "core/reading/scale_range.hpp"
#include "link/meter_session.hpp"
#include "link/reading_recorder.hpp"
#include "ui/app_context.hpp"

#include <QPointer>
#include <QWidget>

#include <array>
#include <optional>
#include <string>

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
class RecordingControls;
class RemoteControls;
class SetupWindow;

// The instrument's front panel: readouts, gauge, options, port and measuring controls, plus the
// recording controls in its free spaces. Every control carries its original name as objectName;
// reactions gather control values, call the logic or the measuring session, and apply what comes
// back.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    MainWindow(AppContext &context, MeterSession &session, ReadingRecorder &recorder, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Brings the controls in line with the settings after a factory reset or an import.
    void showSettingsInWindows();
    void stopMeasure(NotLiveCause cause);
    bool isMeasuring() const { return session_.isMeasuring(); }
    GaugeFace &gaugeFace() { return *gaugeFace_; }
    RemoteControls &remoteControls() { return *remoteControls_; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // One gauge unit's check box and its two scale limit boxes.
    struct UnitControls {
        QCheckBox *select = nullptr;
        QLineEdit *max = nullptr;
        QLineEdit *min = nullptr;
    };

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
    void calibrationClicked();
    void infoClicked();
    void setupClicked();

    // What the session reports
    void measuringChanged(bool on);
    void pollSent();
    void portProblem(MeterSession::PortProblem problem, const QString &message);
    void showPortDevice();
    void apply(const ReadingOutcome &outcome);
    // A reading on the readouts; `renewed` when more will follow it.
    void showReading(const ReadingOutcome &outcome, bool renewed);
    // Greys what is not live, and says since when and why.
    void showLiveness();
    void refreshStatusLine();
    // Marks a Watt or Volt limit box whose text is not fully understood.
    void markLimitBoxes();

    // Gauge
    void updateGauge();
    void drawHelpScale();
    void clearGauge();
    void showScaleLimits(GaugeUnit unit);

    const UnitControls &unit(GaugeUnit u) const { return units_[static_cast<std::size_t>(u) - 1]; }
    ScaleLimitTexts limitTexts(GaugeUnit unit, std::array<std::string, 2> &storage) const;
    void loadSettingsOrTell();
    void tell(const QString &title, const QString &text);

    AppContext &context_;
    MeterSession &session_;
    ReadingRecorder &recorder_;
    QPointer<CalibrationWindow> calibrationWindow_;
    QPointer<InfoWindow> infoWindow_;
    QPointer<SetupWindow> setupWindow_;
    QPushButton *setupButton_ = nullptr;
    QLabel *averageLabel_ = nullptr;
    std::optional<std::string> readingNotice_; // what the user should know of the latest reading
    RecordingControls *recordingControls_ = nullptr;
    RemoteControls *remoteControls_ = nullptr;

    ReadoutLiveness liveness_;
    std::optional<std::string> readingProblem_; // why the latest reading could not be shown in full
    std::optional<std::string> limitProblem_;   // a limit box whose text is not understood
    bool needleShown_ = false;
    bool greyedShown_ = false;

    QLabel *frontPanel_ = nullptr;
    GaugeFace *gaugeFace_ = nullptr;
    QLabel *warningLamp_ = nullptr;
    QLabel *maxLimitLabel_ = nullptr;
    QLabel *minLimitLabel_ = nullptr;

    QLabel *dbmReadout_ = nullptr; // dB while relative mode is on
    QLabel *wattReadout_ = nullptr;
    QLabel *voltReadout_ = nullptr;
    QLabel *dbmUnitCaption_ = nullptr; // beside the dBm unit box: "dBm", or "dB" in relative mode
    QLabel *statusLine_ = nullptr;     // why a readout or the needle is not live

    QLineEdit *attenuatorBox_ = nullptr;
    std::array<UnitControls, 3> units_{};     // dBm, Watt, Volt
    std::array<QCheckBox *, 3> rangeBoxes_{}; // Low, Mid, High
    QCheckBox *externalMeterBox_ = nullptr;
    QCheckBox *helpScaleBox_ = nullptr;
    QCheckBox *thinNeedleBox_ = nullptr;
    QCheckBox *turboBox_ = nullptr;
    PortComboBox *portList_ = nullptr;
    QPushButton *startMeasureButton_ = nullptr;
    QPushButton *calibrationButton_ = nullptr;
    QPushButton *infoButton_ = nullptr;
    QPushButton *exitButton_ = nullptr;

    QCheckBox *relativeBox_ = nullptr;
    QGroupBox *relativeFrame_ = nullptr;
    QLabel *zeroReferenceReadout_ = nullptr;
    QLabel *measurementReadout_ = nullptr; // the absolute level while relative mode is on
    QPushButton *zeroReferenceButton_ = nullptr;

    // The diagnostic strip below the front panel.
    QLabel *voltageLabel_ = nullptr;
    QLabel *frameTraceLabel_ = nullptr;
    QLabel *positionLabel_ = nullptr;
    QLabel *slopeLabel_ = nullptr;
    QLabel *interceptLabel_ = nullptr;
    QLineEdit *testVoltageBox_ = nullptr;
    QPushButton *testButton_ = nullptr;
};

} // namespace merolan
