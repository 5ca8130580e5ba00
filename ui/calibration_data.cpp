#include "ui/calibration_data.hpp"

#include "core/settings/calibration_import.hpp"
#include "core/settings/calibration_rules.hpp"
#include "core/settings/settings_file.hpp"
#include "core/settings/settings_record.hpp"
#include "core/base/text_format.hpp"
#include "core/settings/windows1252.hpp"
#include "ui/app_context.hpp"

#include <QFile>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace merolan {
namespace {

std::int16_t referenceOrStored(const QString &label, std::int16_t stored)
{
    const std::optional<double> value = referenceLabelValue(label);
    if (!value)
        return stored;
    constexpr double lowest = std::numeric_limits<std::int16_t>::min();
    constexpr double highest = std::numeric_limits<std::int16_t>::max();
    return static_cast<std::int16_t>(std::clamp(roundHalfEven(*value, 0), lowest, highest));
}

bool storable(const SettingValue &value)
{
    const auto *text = std::get_if<std::string>(&value);
    return !text || toWindows1252(*text).has_value();
}

// The encoder reports an unstorable character before it measures, so a refused record whose
// texts are all storable is one that is too long.
bool tooLong(const MeterSettings &s, char decimalSeparator)
{
    const SettingValue *values[] = {
        &s.attenuatorDbm, &s.dbmScaleMax,   &s.dbmScaleMin,    &s.frequencyRange,  &s.wattScaleMax,  &s.voltScaleMax,
        &s.wattScaleMin,  &s.voltScaleMin,  &s.gaugeUnit,      &s.warningLevelDbm, &s.calLowMinus10, &s.calLowMinus50,
        &s.calMidMinus10, &s.calMidMinus50, &s.calHighMinus10, &s.calHighMinus50,
    };
    return std::holds_alternative<Failure>(encodeSettingsRecord(s, decimalSeparator)) &&
           std::all_of(std::begin(values), std::end(values), [](const SettingValue *v) { return storable(*v); });
}

// Every text of both windows that fills the record, longest first, so the user sees at once
// which one to shorten.
QString textLengths(const MeterSettings &s)
{
    struct Text {
        std::string_view field;
        const SettingValue *value;
        const char *window;
    };
    const Text texts[] = {
        {"attenuatorDbm", &s.attenuatorDbm, "the main window"}, {"dbmScaleMax", &s.dbmScaleMax, "the main window"},
        {"dbmScaleMin", &s.dbmScaleMin, "the main window"},     {"wattScaleMax", &s.wattScaleMax, "the main window"},
        {"wattScaleMin", &s.wattScaleMin, "the main window"},   {"voltScaleMax", &s.voltScaleMax, "the main window"},
        {"voltScaleMin", &s.voltScaleMin, "the main window"},   {"calLowMinus10", &s.calLowMinus10, "this window"},
        {"calLowMinus50", &s.calLowMinus50, "this window"},     {"calMidMinus10", &s.calMidMinus10, "this window"},
        {"calMidMinus50", &s.calMidMinus50, "this window"},     {"calHighMinus10", &s.calHighMinus10, "this window"},
        {"calHighMinus50", &s.calHighMinus50, "this window"},   {"warningLevelDbm", &s.warningLevelDbm, "this window"},
    };
    std::vector<std::pair<qsizetype, QString>> lines;
    for (const Text &t : texts) {
        const auto *text = std::get_if<std::string>(t.value);
        if (!text)
            continue; // numbers take a fixed room that no shortening changes
        const qsizetype length = QString::fromStdString(*text).toUcs4().size();
        lines.emplace_back(length, QStringLiteral("%1: %2 %3, in %4")
                                       .arg(QString::fromUtf8(fieldLabel(t.field)))
                                       .arg(length)
                                       .arg(length == 1 ? QStringLiteral("character") : QStringLiteral("characters"))
                                       .arg(QLatin1String(t.window)));
    }
    std::stable_sort(lines.begin(), lines.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QString out = QStringLiteral("\n\nThe texts that fill the record, longest first:");
    for (const auto &line : lines)
        out += QLatin1Char('\n') + line.second;
    return out;
}

QString refusalText(const Failure &failure, const MeterSettings &candidate, char decimalSeparator)
{
    QString text = QString::fromStdString(failure.message);
    if (tooLong(candidate, decimalSeparator))
        text += textLengths(candidate);
    return text;
}

// As at start-up: the mode and the box follow the stored flag, even when the box already showed
// that state and so had no reaction of its own.
void finishReplacement(AppContext &context, const CalibrationHooks &hooks)
{
    const bool externalMeterOn = externalMeterIsOn(context.instrument.setup().settings);
    if (hooks.setExternalMeterChecked)
        hooks.setExternalMeterChecked(externalMeterOn);
    if (hooks.showSettingsInWindows)
        hooks.showSettingsInWindows();
}

} // namespace

std::optional<double> referenceLabelValue(const QString &labelText)
{
    // The program writes these labels itself, always with "." whatever the locale.
    return readLocaleNumber(labelText.toStdString(), '.');
}

MeterSettings withEdits(const MeterSettings &settings, const CalibrationEdits &edits)
{
    MeterSettings candidate = settings;
    for (std::size_t i = 0; i < kCalibrationPoints.size(); ++i)
        candidate.*kCalibrationPoints[i].field = edits.points[i].toStdString();
    candidate.warningLevelDbm = edits.warningLevel.toStdString();
    candidate.lowRefPwm = referenceOrStored(edits.lowReference, settings.lowRefPwm);
    candidate.highRefPwm = referenceOrStored(edits.highReference, settings.highRefPwm);
    return candidate;
}

std::optional<QString> saveEdits(AppContext &context, const CalibrationEdits &edits)
{
    const char separator = context.instrument.setup().decimalSeparator;
    MeterSettings candidate = withEdits(context.instrument.setup().settings, edits);
    // Relative mode's 0..20 dB scale lives in the dBm boxes for now; the file keeps the user's.
    MeterSettings stored = candidate;
    if (const std::optional<DbmScaleLimits> &held = context.instrument.setup().heldDbmScale) {
        stored.dbmScaleMax = held->max;
        stored.dbmScaleMin = held->min;
    }
    if (const std::optional<Failure> failure = saveSettings(context.settingsFile, stored, separator))
        return refusalText(*failure, stored, separator);
    context.instrument.change().settings = std::move(candidate);
    return std::nullopt;
}

bool createDefaultCalibration(AppContext &context, const CalibrationHooks &hooks, QWidget *parent)
{
    const QString title = QStringLiteral("Create default calibration file");
    if (!context.dialogs.askYesNo(parent, title,
                                  QStringLiteral("Are you sure you want to create new default calibration file")))
        return false;
    MeterSettings factory = factorySettings();
    if (const std::optional<Failure> failure =
            saveSettings(context.settingsFile, factory, context.instrument.setup().decimalSeparator)) {
        context.dialogs.showMessage(parent, UserDialogs::Icon::Error, title,
                                    QStringLiteral("The factory calibration was not saved, and nothing "
                                                   "was changed.\n\n%1")
                                        .arg(QString::fromStdString(failure->message)));
        return false;
    }
    context.instrument.change().settings = std::move(factory);
    finishReplacement(context, hooks);
    return true;
}

bool loadCalibrationFile(AppContext &context, const CalibrationHooks &hooks, QWidget *parent)
{
    const QString title = QStringLiteral("Load the calibration file");
    const QString chosen =
        context.dialogs.chooseExistingFile(parent, title, QStringLiteral("Calibration files (*.dat)"));
    if (chosen.isEmpty())
        return false;
    // Into a copy first: a file that is no calibration must leave every setting as it was.
    MeterSettings imported = context.instrument.setup().settings;
    const std::filesystem::path file(QFile::encodeName(chosen).toStdString());
    if (const std::optional<Failure> failure = importCalibrationFile(file, imported, context.instrument.setup().decimalSeparator)) {
        context.dialogs.showMessage(parent, UserDialogs::Icon::Error, title,
                                    QStringLiteral("The calibration was not loaded, and nothing was "
                                                   "changed.\n\n%1")
                                        .arg(QString::fromStdString(failure->message)));
        return false;
    }
    // Not saved: the import lives in memory until the next "Save and Exit".
    context.instrument.change().settings = std::move(imported);
    finishReplacement(context, hooks);
    return true;
}

} // namespace merolan
