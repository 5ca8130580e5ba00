#pragma once

#include "ui/app_context.hpp"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace merolan {

// The accuracy setup: the averaging count, the measurement frequency and the correction table
// over frequency. Each change applies to the next reading and is kept beside the settings file.
class SetupWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SetupWindow(AppContext &context, QWidget *parent = nullptr);

    // Brings the controls in line with the setup as it stands.
    void showSetup();

signals:
    // The setup changed; readings from now on follow it.
    void setupChanged();

private:
    void averageChanged(int count);
    void frequencyEdited();
    void chooseTable();
    void clearTable();
    void showCorrection();
    void store();

    AppContext &context_;
    QSpinBox *averageBox_;
    QLineEdit *frequencyBox_;
    QLabel *tableName_;
    QPlainTextEdit *tablePoints_;
    QLabel *correctionNow_;
    QLabel *problem_;
};

} // namespace merolan
