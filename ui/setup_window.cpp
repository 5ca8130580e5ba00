#include "ui/setup_window.hpp"

#include "core/settings/accuracy_file.hpp"
#include "core/settings/table_store.hpp"
#include "core/reading/correction_table.hpp"
#include "core/base/text_format.hpp"
#include "ui/look.hpp"
#include "ui/widget_factory.hpp"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include <cstdio>

namespace merolan {
namespace {

namespace layout {
constexpr QSize window{420, 330};
constexpr QRect averageCaption{12, 14, 130, 20};
constexpr QRect averageBox{150, 12, 80, 24};
constexpr QRect averageHint{240, 14, 170, 20};
constexpr QRect frequencyCaption{12, 46, 130, 20};
constexpr QRect frequencyBox{150, 44, 120, 24};
constexpr QRect frequencyHint{280, 46, 130, 20};
constexpr QRect tableCaption{12, 78, 130, 20};
constexpr QRect tableName{150, 78, 258, 20};
constexpr QRect chooseButton{150, 104, 100, 25};
constexpr QRect clearButton{258, 104, 100, 25};
constexpr QRect tablePoints{12, 138, 396, 120};
constexpr QRect correctionNow{12, 266, 396, 20};
constexpr QRect problem{12, 290, 396, 34};
} // namespace layout

QString frequencyText(double hz)
{
    char text[32];
    if (hz >= 1e9)
        std::snprintf(text, sizeof text, "%.6g GHz", hz / 1e9);
    else if (hz >= 1e6)
        std::snprintf(text, sizeof text, "%.6g MHz", hz / 1e6);
    else if (hz >= 1e3)
        std::snprintf(text, sizeof text, "%.6g kHz", hz / 1e3);
    else
        std::snprintf(text, sizeof text, "%.6g Hz", hz);
    return QString::fromLatin1(text);
}

QString dbText(double db)
{
    char text[32];
    std::snprintf(text, sizeof text, "%+.3f dB", db);
    return QString::fromLatin1(text);
}

} // namespace

SetupWindow::SetupWindow(AppContext &context, QWidget *parent) : QWidget(parent, Qt::Window), context_(context)
{
    setObjectName(QStringLiteral("SetupWindow"));
    setWindowTitle(QStringLiteral("Accuracy Setup"));
    setFixedSize(layout::window);
    closeOnEscape(this);

    makeLabel(this, "AverageCaption", layout::averageCaption, QStringLiteral("Averaging :"));
    averageBox_ = new QSpinBox(this);
    averageBox_->setObjectName(QStringLiteral("AverageBox"));
    averageBox_->setGeometry(layout::averageBox);
    averageBox_->setRange(1, kMaxAverageCount);
    makeLabel(this, "AverageHint", layout::averageHint, QStringLiteral("readings (1 is off)"));
    makeLabel(this, "FrequencyCaption", layout::frequencyCaption, QStringLiteral("Frequency :"));
    frequencyBox_ = makeLineEdit(this, "FrequencyBox", layout::frequencyBox, QString());
    frequencyBox_->setPlaceholderText(QStringLiteral("433.92M"));
    makeLabel(this, "FrequencyHint", layout::frequencyHint, QStringLiteral("Hz, k, M or G"));
    makeLabel(this, "TableCaption", layout::tableCaption, QStringLiteral("Correction table :"));
    tableName_ = makeLabel(this, "TableName", layout::tableName, QString());
    auto *choose = makeButton(this, "ChooseTableButton", layout::chooseButton, QStringLiteral("Choose..."));
    auto *clear = makeButton(this, "ClearTableButton", layout::clearButton, QStringLiteral("No Table"));
    tablePoints_ = new QPlainTextEdit(this);
    tablePoints_->setObjectName(QStringLiteral("TablePoints"));
    tablePoints_->setGeometry(layout::tablePoints);
    tablePoints_->setReadOnly(true);
    correctionNow_ = makeLabel(this, "CorrectionNow", layout::correctionNow, QString());
    problem_ = makeLabel(this, "SetupProblem", layout::problem, QString());
    problem_->setWordWrap(true);
    setTextColour(problem_, look::kProblem);

    showSetup();
    connect(averageBox_, &QSpinBox::valueChanged, this, &SetupWindow::averageChanged);
    connect(frequencyBox_, &QLineEdit::editingFinished, this, &SetupWindow::frequencyEdited);
    connect(choose, &QPushButton::clicked, this, &SetupWindow::chooseTable);
    connect(clear, &QPushButton::clicked, this, &SetupWindow::clearTable);
}

void SetupWindow::showSetup()
{
    const AccuracySetup &accuracy = context_.instrument.setup().accuracy;
    const SelectedTable *table = accuracy.tableInForce();
    const QSignalBlocker quiet(averageBox_); // showing the count is no change of it
    averageBox_->setValue(accuracy.averagedReadings());
    frequencyBox_->setText(accuracy.frequencyHz ? frequencyText(*accuracy.frequencyHz) : QString());
    markBox(frequencyBox_, false);
    tableName_->setText(table ? QDir::toNativeSeparators(QString::fromStdString(table->name)) : QStringLiteral("none"));
    QString points;
    if (table) {
        for (const CorrectionPoint &point : table->table.points)
            points += frequencyText(point.frequencyHz) + QLatin1Char('\t') + dbText(point.correctionDb) + u'\n';
    }
    tablePoints_->setPlainText(points);
    showCorrection();
}

void SetupWindow::averageChanged(int count)
{
    context_.instrument.change().accuracy.setAveraging(count);
    store();
}

void SetupWindow::frequencyEdited()
{
    const QString typed = frequencyBox_->text().trimmed();
    if (typed.isEmpty()) {
        context_.instrument.change().accuracy.frequencyHz.reset();
    } else if (const std::optional<double> hz = parseFrequency(typed.toStdString())) {
        context_.instrument.change().accuracy.frequencyHz = *hz;
    } else {
        markBox(frequencyBox_, true);
        problem_->setText(QStringLiteral("\"%1\" is no frequency: type Hz, with k, M or G if you like "
                                         "(433.92M). The frequency stays as it was.")
                              .arg(typed));
        return;
    }
    markBox(frequencyBox_, false);
    problem_->clear();
    store();
    showCorrection();
}

void SetupWindow::chooseTable()
{
    const QString path = context_.dialogs.chooseExistingFile(this, QStringLiteral("Correction table"),
                                                             QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    auto loaded = loadCorrectionTable(std::filesystem::path(path.toStdString()));
    if (const Failure *failure = std::get_if<Failure>(&loaded)) {
        context_.dialogs.showMessage(this, UserDialogs::Icon::Error, QStringLiteral("Correction table"),
                                     QString::fromStdString(failure->message) +
                                         QStringLiteral("\nThe table in force stays."));
        return;
    }
    context_.instrument.change().accuracy.setTable(std::move(std::get<SelectedTable>(loaded)));
    store();
    showSetup();
}

void SetupWindow::clearTable()
{
    context_.instrument.change().accuracy.setTable(std::nullopt);
    store();
    showSetup();
}

void SetupWindow::showCorrection()
{
    const AccuracySetup &accuracy = context_.instrument.setup().accuracy;
    const SelectedTable *table = accuracy.tableInForce();
    if (!table) {
        correctionNow_->setText(QStringLiteral("No correction applies."));
    } else if (!accuracy.frequencyHz) {
        correctionNow_->setText(QStringLiteral("Set the frequency for the table to apply."));
    } else {
        const CorrectionAt at = correctionAt(table->table, *accuracy.frequencyHz);
        correctionNow_->setText(
            QStringLiteral("Correction now: %1 at %2%3")
                .arg(dbText(at.db), frequencyText(*accuracy.frequencyHz),
                     at.outside ? QStringLiteral(" (outside the table: its end point)") : QString()));
    }
}

void SetupWindow::store()
{
    if (std::optional<Failure> failure = storeAccuracy(context_.settingsFile, context_.instrument.setup().accuracy))
        problem_->setText(QString::fromStdString(failure->message) +
                          QStringLiteral(". It applies until the program ends."));
    emit setupChanged();
}

} // namespace merolan
