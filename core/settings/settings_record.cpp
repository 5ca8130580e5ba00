#include "core/settings/settings_record.hpp"

#include "core/settings/windows1252.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

namespace merolan {
namespace {

enum Tag : std::uint16_t { kEmpty = 0, kInteger = 2, kDouble = 5, kText = 8 };

class RecordWriter
{
public:
    explicit RecordWriter(char decimalSeparator) : decimalSeparator_(decimalSeparator) {}

    void integer(std::int16_t value) { word(static_cast<std::uint16_t>(value)); }

    void value(std::string_view name, const SettingValue &v)
    {
        if (std::holds_alternative<std::monostate>(v)) {
            word(kEmpty);
        } else if (const auto *n = std::get_if<std::int16_t>(&v)) {
            word(kInteger);
            integer(*n);
        } else if (const auto *d = std::get_if<double>(&v)) {
            word(kDouble);
            const auto bits = std::bit_cast<std::uint64_t>(*d);
            for (int shift = 0; shift < 64; shift += 8)
                bytes_.push_back(static_cast<std::uint8_t>(bits >> shift));
        } else {
            word(kText);
            text(name, std::get<std::string>(v));
        }
    }

    // A bare text field: length and bytes, no tag.
    void textField(std::string_view name, const SettingValue &v) { text(name, textForm(v, decimalSeparator_)); }

    const std::vector<std::uint8_t> &bytes() const { return bytes_; }
    const std::optional<Failure> &failure() const { return failure_; }

private:
    void word(std::uint16_t w)
    {
        bytes_.push_back(static_cast<std::uint8_t>(w & 0xFF));
        bytes_.push_back(static_cast<std::uint8_t>(w >> 8));
    }

    void text(std::string_view name, const std::string &utf8)
    {
        const std::optional<std::string> stored = toWindows1252(utf8);
        if (!stored && !failure_)
            failure_ = Failure{"The " + std::string(fieldLabel(name)) + " \"" + utf8 +
                               "\" holds a character the settings file cannot store."};
        const std::string &out = stored ? *stored : std::string();
        word(static_cast<std::uint16_t>(std::min<std::size_t>(out.size(), 0xFFFF)));
        bytes_.insert(bytes_.end(), out.begin(), out.end());
    }

    char decimalSeparator_;
    std::vector<std::uint8_t> bytes_;
    std::optional<Failure> failure_;
};

class RecordReader
{
public:
    explicit RecordReader(std::span<const std::uint8_t> bytes)
    {
        std::copy_n(bytes.begin(), std::min(bytes.size(), record_.size()), record_.begin());
    }

    bool integer(std::string_view name, std::int16_t &out)
    {
        std::uint16_t w = 0;
        if (!word(name, w))
            return false;
        out = static_cast<std::int16_t>(w);
        return true;
    }

    bool value(std::string_view name, SettingValue &out)
    {
        std::uint16_t tag = 0;
        if (!word(name, tag))
            return false;
        switch (tag) {
        case kEmpty:
            out = std::monostate{};
            return true;
        case kInteger: {
            std::int16_t n = 0;
            if (!integer(name, n))
                return false;
            out = n;
            return true;
        }
        case kDouble: {
            if (!need(name, 8))
                return false;
            std::uint64_t bits = 0;
            for (int k = 7; k >= 0; --k)
                bits = (bits << 8) | record_[pos_ + static_cast<std::size_t>(k)];
            pos_ += 8;
            const auto d = std::bit_cast<double>(bits);
            if (!std::isfinite(d))
                return fail("The " + std::string(fieldLabel(name)) + " holds a number that is not finite.");
            out = d;
            return true;
        }
        case kText: {
            std::string text;
            if (!textBytes(name, text))
                return false;
            out = std::move(text);
            return true;
        }
        default:
            return fail("The " + std::string(fieldLabel(name)) + " has the unknown kind tag " + std::to_string(tag) +
                        ".");
        }
    }

    bool textField(std::string_view name, SettingValue &out)
    {
        std::string text;
        if (!textBytes(name, text))
            return false;
        out = std::move(text);
        return true;
    }

    const std::optional<Failure> &failure() const { return failure_; }

private:
    bool textBytes(std::string_view name, std::string &out)
    {
        std::uint16_t length = 0;
        if (!word(name, length) || !need(name, length))
            return false;
        const auto *start = reinterpret_cast<const char *>(record_.data() + pos_);
        out = fromWindows1252(std::string_view(start, length));
        pos_ += length;
        return true;
    }

    bool word(std::string_view name, std::uint16_t &out)
    {
        if (!need(name, 2))
            return false;
        out = static_cast<std::uint16_t>(record_[pos_] | (record_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }

    bool need(std::string_view name, std::size_t count)
    {
        if (pos_ + count <= record_.size())
            return true;
        return fail("The " + std::string(fieldLabel(name)) + " runs past the end of the 128-byte record.");
    }

    bool fail(std::string message)
    {
        failure_ = Failure{std::move(message)};
        return false;
    }

    SettingsRecord record_{};
    std::size_t pos_ = 0;
    std::optional<Failure> failure_;
};

} // namespace

std::variant<SettingsRecord, Failure> encodeSettingsRecord(const MeterSettings &s, char decimalSeparator,
                                                           const SettingsRecord &previous)
{
    RecordWriter w(decimalSeparator);
    w.integer(s.lowRefPwm);
    w.integer(s.highRefPwm);
    w.integer(s.externalMeterOn);
    w.value("attenuatorDbm", s.attenuatorDbm);
    w.value("dbmScaleMax", s.dbmScaleMax);
    w.value("dbmScaleMin", s.dbmScaleMin);
    w.value("frequencyRange", s.frequencyRange);
    w.textField("wattScaleMax", s.wattScaleMax);
    w.textField("voltScaleMax", s.voltScaleMax);
    w.value("wattScaleMin", s.wattScaleMin);
    w.value("voltScaleMin", s.voltScaleMin);
    w.value("gaugeUnit", s.gaugeUnit);
    w.value("warningLevelDbm", s.warningLevelDbm);
    w.value("calLowMinus10", s.calLowMinus10);
    w.value("calLowMinus50", s.calLowMinus50);
    w.value("calMidMinus10", s.calMidMinus10);
    w.value("calMidMinus50", s.calMidMinus50);
    w.value("calHighMinus10", s.calHighMinus10);
    w.value("calHighMinus50", s.calHighMinus50);

    if (w.failure())
        return *w.failure();
    const std::vector<std::uint8_t> &fields = w.bytes();
    if (fields.size() > kRecordLength)
        return Failure{"The settings need " + std::to_string(fields.size()) + " bytes, " +
                       std::to_string(fields.size() - kRecordLength) +
                       " more than the 128-byte record holds; shorten the texts."};
    SettingsRecord record = previous;
    std::copy(fields.begin(), fields.end(), record.begin());
    return record;
}

std::variant<MeterSettings, Failure> decodeSettingsRecord(std::span<const std::uint8_t> bytes)
{
    RecordReader r(bytes);
    MeterSettings s;
    const bool ok = r.integer("lowRefPwm", s.lowRefPwm) && r.integer("highRefPwm", s.highRefPwm) &&
                    r.integer("externalMeterOn", s.externalMeterOn) && r.value("attenuatorDbm", s.attenuatorDbm) &&
                    r.value("dbmScaleMax", s.dbmScaleMax) && r.value("dbmScaleMin", s.dbmScaleMin) &&
                    r.value("frequencyRange", s.frequencyRange) && r.textField("wattScaleMax", s.wattScaleMax) &&
                    r.textField("voltScaleMax", s.voltScaleMax) && r.value("wattScaleMin", s.wattScaleMin) &&
                    r.value("voltScaleMin", s.voltScaleMin) && r.value("gaugeUnit", s.gaugeUnit) &&
                    r.value("warningLevelDbm", s.warningLevelDbm) && r.value("calLowMinus10", s.calLowMinus10) &&
                    r.value("calLowMinus50", s.calLowMinus50) && r.value("calMidMinus10", s.calMidMinus10) &&
                    r.value("calMidMinus50", s.calMidMinus50) && r.value("calHighMinus10", s.calHighMinus10) &&
                    r.value("calHighMinus50", s.calHighMinus50);
    if (!ok)
        return *r.failure();
    return s;
}

} // namespace merolan
