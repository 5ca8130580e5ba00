#include "core/logs/reading_lines.hpp"

#include "core/logs/csv_log.hpp"
#include "core/reading/readout_text.hpp"

#include <cstdio>
#include <optional>

namespace merolan {
namespace {

constexpr std::string_view kRangeNames[] = {"low", "mid", "high"};

void appendField(std::string &out, std::string_view name, const std::string &jsonValue)
{
    out += out.size() == 1 ? "\"" : ",\"";
    out += name;
    out += "\":";
    out += jsonValue;
}

// csvNumber gives the shortest round-trip text, which is also a valid JSON number.
std::string jsonNumber(const std::optional<double> &value)
{
    const std::string text = value ? csvNumber(*value) : std::string();
    return text.empty() ? "null" : text;
}

// Readouts are right-aligned in columns, so a column of readings can be read down.
std::string padded(const std::string &text, std::size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

} // namespace

std::string jsonString(std::string_view text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // C0 and C1 control characters are escaped, so a text never breaks a line or moves a
        // terminal's cursor; everything else stays as UTF-8.
        unsigned control = 0x100;
        if (byte < 0x20 || byte == 0x7F)
            control = byte;
        else if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                 static_cast<unsigned char>(text[i + 1]) < 0xA0)
            control = static_cast<unsigned char>(text[++i]);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += text[i];
        } else if (control == '\n') {
            out += "\\n";
        } else if (control == '\r') {
            out += "\\r";
        } else if (control == '\t') {
            out += "\\t";
        } else if (control < 0x100) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", control);
            out += escaped;
        } else {
            out += text[i];
        }
    }
    return out + "\"";
}

std::string jsonlRow(const ReadingRecord &record)
{
    const bool knownRange = record.range >= 1 && record.range <= 3;
    std::string out = "{";
    appendField(out, "time_utc", jsonString(utcTimeText(record.timeUtcMs)));
    appendField(out, "elapsed_s", jsonNumber(record.elapsedS));
    appendField(out, "voltage_v", jsonNumber(record.voltageV));
    appendField(out, "level_dbm", jsonNumber(record.levelDbm));
    appendField(out, "relative_db", jsonNumber(record.relativeDb));
    appendField(out, "power_w", jsonNumber(record.powerW));
    appendField(out, "rms_v", jsonNumber(record.rmsV));
    appendField(out, "range",
                knownRange ? jsonString(kRangeNames[static_cast<std::size_t>(record.range - 1)]) : "null");
    appendField(out, "attenuator_db", jsonNumber(record.attenuatorDb));
    appendField(out, "lamp", record.lampLit ? "true" : "false");
    appendField(out, "note", jsonString(record.note));
    return out + "}\n";
}

std::string textRow(const ReadingRecord &record, bool relative)
{
    std::string out = utcTimeText(record.timeUtcMs);
    const std::optional<double> level = relative ? record.relativeDb : record.levelDbm;
    if (!level || !record.powerW || !record.rmsV)
        return out + "   " + (record.note.empty() ? std::string("no level") : record.note) + "\n";
    out += padded(relative ? formatDbText(*level) : formatDbmText(*level), 14);
    out += padded(formatWattText(*record.powerW), 12);
    out += padded(formatVoltText(*record.rmsV), 12);
    if (record.lampLit)
        out += "   HIGH POWER";
    return out + "\n";
}

} // namespace merolan
