#include "ui/calibration_data.hpp"

#include "core/settings_file.hpp"
#include "core/settings_record.hpp"
#include "core/text_format.hpp"
#include "core/windows1252.hpp"
#include "core/wire_protocol.hpp"
#include "link/panel_meter.hpp"
#include "ui/app_context.hpp"

#include <QFile>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>
#include <variant>

namespace merolan {
namespace {

constexpr std::array<std::string_view, 6> kPointNames{
    "calLowMinus10", "calLowMinus50", "calMidMinus10", "calMidMinus50", "calHighMinus10", "calHighMinus50",
};

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
        &s.attenuatorDbm, &s.dbmScaleMax,   &s.dbmScaleMin,     &s.frequencyRange, &s.wattScaleMax,
        &s.voltScaleMax,  &s.wattScaleMin,  &s.voltScaleMin,    &s.gaugeUnit,      &s.warningLevelDbm,
        &s.calLowMinus10, &s.calLowMinus50, &s.calMidMinus10,   &s.calMidMinus50,  &s.calHighMinus10,
        &s.calHighMinus50,
    };
    return std::holds_alternative<Failure>(encodeSettingsRecord(s, decimalSeparator)) &&
           std::all_of(std::begin(values), std::end(values), [](const SettingValue *v) { return storable(*v); });
}

QString lengthLine(std::string_view field, const QString &text)
{
    const qsizetype length = text.toUcs4().size();
    return QStringLiteral("%1: %2 %3")
        .arg(QString::fromUtf8(fieldLabel(field)))
        .arg(length)
        .arg(length == 1 ? QStringLiteral("character") : QStringLiteral("characters"));
}

QString refusalText(const Failure &failure, const MeterSettings &candidate, const CalibrationEdits &edits,
                    char decimalSeparator)
{
    QString text = QString::fromStdString(failure.message);
    if (!tooLong(candidate, decimalSeparator))
        return text;
    text += QStringLiteral("\n\nLengths of the texts in this window:");
    for (std::size_t i = 0; i < edits.points.size(); ++i)
        text += QLatin1Char('\n') + lengthLine(kPointNames[i], edits.points[i]);
    text += QLatin1Char('\n') + lengthLine("warningLevelDbm", edits.warningLevel);
    return text;
}

// As at start-up: the box follows the stored flag and the mode follows the box, even when the
// box already showed that state and so had no reaction of its own.
void applyExternalMeter(AppContext &context, const CalibrationHooks &hooks, bool on)
{
    if (hooks.setExternalMeterChecked)
        hooks.setExternalMeterChecked(on);
    context.state.commandMode = on ? kExternalMeterFlag : std::int16_t{0};
}

void finishReplacement(AppContext &context, const CalibrationHooks &hooks)
{
    applyExternalMeter(context, hooks, context.state.settings.externalMeterOn == -1);
    if (hooks.showSettingsInWindows)
        hooks.showSettingsInWindows();
}

} // namespace

MeterSettings withEdits(const MeterSettings &settings, const CalibrationEdits &edits)
{
    MeterSettings candidate = settings;
    for (std::size_t i = 0; i < kCalibrationPoints.size(); ++i)
        candidate.*kCalibrationPoints[i] = edits.points[i].toStdString();
    candidate.warningLevelDbm = edits.warningLevel.toStdString();
    candidate.lowRefPwm = referenceOrStored(edits.lowReference, settings.lowRefPwm);
    candidate.highRefPwm = referenceOrStored(edits.highReference, settings.highRefPwm);
    return candidate;
}

std::optional<QString> saveEdits(AppContext &context, const CalibrationEdits &edits)
{
    const char separator = context.state.decimalSeparator;
    MeterSettings candidate = withEdits(context.state.settings, edits);
    if (const std::optional<Failure> failure = saveSettings(context.settingsFile, candidate, separator))
        return refusalText(*failure, candidate, edits, separator);
    context.state.settings = std::move(candidate);
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
            saveSettings(context.settingsFile, factory, context.state.decimalSeparator)) {
        context.dialogs.showMessage(parent, UserDialogs::Icon::Error, title,
                                    QStringLiteral("The factory calibration was not saved, and nothing "
                                                   "was changed.\n\n%1")
                                        .arg(QString::fromStdString(failure->message)));
        return false;
    }
    context.state.settings = std::move(factory);
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
    // Into a copy first: a file that does not decode must leave every setting as it was.
    MeterSettings imported = context.state.settings;
    const std::filesystem::path file(QFile::encodeName(chosen).toStdString());
    if (const std::optional<Failure> failure = importSettingsFile(file, imported)) {
        context.dialogs.showMessage(parent, UserDialogs::Icon::Error, title,
                                    QStringLiteral("The calibration was not loaded, and nothing was "
                                                   "changed.\n\n%1")
                                        .arg(QString::fromStdString(failure->message)));
        return false;
    }
    // Not saved: the import lives in memory until the next "Save and Exit".
    context.state.settings = std::move(imported);
    finishReplacement(context, hooks);
    return true;
}

} // namespace merolan
