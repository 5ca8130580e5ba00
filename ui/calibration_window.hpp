#pragma once

#include "core/settings/calibration_rules.hpp"
#include "ui/calibration_data.hpp"

#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace merolan {

struct AppContext;
class MeterSession;

// "Calibration and Settings": measures the six calibration points, steps the panel meter's two
// references, edits the warning level, and is the one place the settings file is written from.
// Modeless; closing destroys it, so every opening loads the stored settings afresh.
class CalibrationWindow : public QWidget
{
    Q_OBJECT

public:
    CalibrationWindow(AppContext &context, MeterSession &session, CalibrationHooks hooks, QWidget *parent = nullptr);

    // A captured detector voltage for slot 1..6; other slots are ignored.
    void setCaptureText(int slot, const QString &text);
    // A capture has `progress` ("2/16") of its readings: shown, and the next one asked for.
    void captureProgress(int slot, const QString &progress);
    void centreOnScreen();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildReferenceRows(QWidget *frame);
    void buildPointFrame(QWidget *parent, const char *name, const QString &caption, int top, int upperSlot,
                         const char *upperButton, const char *lowerButton);
    void loadFromSettings();

    void measure(int slot);
    void noteSent(bool written);
    void stepLabel(QLabel *label, ReferenceStep step);
    void showReference(std::int16_t value);
    void saveAndExit();
    void createDefault();
    void loadFile();

    AppContext &context_;
    MeterSession &session_;
    CalibrationHooks hooks_;

    QLabel *lowReference_ = nullptr;          // Label1
    QLabel *highReference_ = nullptr;         // Label2
    std::array<QLineEdit *, 6> pointBoxes_{}; // Text1..Text6, in slot order
    QLineEdit *warningLevel_ = nullptr;       // Text7
    bool toldNoPort_ = false;
};

} // namespace merolan
