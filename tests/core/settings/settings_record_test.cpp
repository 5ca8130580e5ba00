#include "core/settings/settings_record.hpp"

#include <gtest/gtest.h>

#include <vector>

using namespace merolan;

namespace {

const std::vector<std::uint8_t> kDefaultFields = {
    0x00, 0x00, 0xFF, 0x03, 0x00, 0x00,                                     // references, switch
    0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0xF6, 0xFF, 0x02, 0x00, 0xCE, 0xFF, // attenuator, dBm max, min
    0x02, 0x00, 0x01, 0x00,                                                 // range
    0x03, 0x00, 0x31, 0x2E, 0x30, 0x03, 0x00, 0x31, 0x2E, 0x30,             // Watt and Volt maxima
    0x08, 0x00, 0x01, 0x00, 0x30, 0x08, 0x00, 0x01, 0x00, 0x30,             // Watt and Volt minima
    0x02, 0x00, 0x01, 0x00,                                                 // unit
    0x08, 0x00, 0x02, 0x00, 0x2D, 0x35,                                     // warning level
    0x05, 0x00, 0x2F, 0xA8, 0x6F, 0x99, 0xD3, 0x65, 0xF8, 0x3F, 0x05, 0x00, 0xE7, 0x35, 0x76,
    0x89, 0xEA, 0xAD, 0xE7, 0x3F, 0x05, 0x00, 0x45, 0xBB, 0x0A, 0x29, 0x3F, 0xA9, 0xF8, 0x3F,
    0x05, 0x00, 0xE9, 0xF1, 0x7B, 0x9B, 0xFE, 0xEC, 0xE8, 0x3F, 0x05, 0x00, 0xCC, 0x28, 0x96,
    0x5B, 0x5A, 0x8D, 0xF8, 0x3F, 0x05, 0x00, 0x9E, 0xB5, 0xDB, 0x2E, 0x34, 0xD7, 0xEA, 0x3F,
};

SettingsRecord encoded(const MeterSettings &s, const SettingsRecord &previous = {})
{
    auto result = encodeSettingsRecord(s, '.', previous);
    EXPECT_TRUE(std::holds_alternative<SettingsRecord>(result)) << std::get<Failure>(result).message;
    return std::get<SettingsRecord>(result);
}

MeterSettings decoded(std::span<const std::uint8_t> bytes)
{
    auto result = decodeSettingsRecord(bytes);
    EXPECT_TRUE(std::holds_alternative<MeterSettings>(result)) << std::get<Failure>(result).message;
    return std::get<MeterSettings>(result);
}

} // namespace

TEST(SettingsRecord, FactorySettingsEncodeByteForByte)
{
    const SettingsRecord record = encoded(factorySettings());
    ASSERT_EQ(kDefaultFields.size(), 112u);
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin(), record.begin() + 112), kDefaultFields);
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin() + 112, record.end()), std::vector<std::uint8_t>(16, 0));
}

TEST(SettingsRecord, PaddingKeepsWhatThePreviousRecordHeld)
{
    SettingsRecord previous;
    previous.fill(0xAB);
    const SettingsRecord record = encoded(factorySettings(), previous);
    EXPECT_EQ(record[111], 0x3F);
    EXPECT_EQ(record[112], 0xAB);
    EXPECT_EQ(record[127], 0xAB);
}

TEST(SettingsRecord, EveryKindOfValueSurvivesARoundTrip)
{
    MeterSettings s = factorySettings();
    s.lowRefPwm = -3;
    s.highRefPwm = 1000;
    s.externalMeterOn = -1;
    s.attenuatorDbm = std::monostate{};
    s.dbmScaleMax = std::string("0.5");
    s.dbmScaleMin = std::int16_t{-32768};
    s.frequencyRange = 2.5;
    s.wattScaleMax = std::string("é€");
    s.voltScaleMax = std::string();
    s.calMidMinus50 = std::string("0,77893");
    const MeterSettings back = decoded(encoded(s));
    EXPECT_EQ(back, s);
    EXPECT_TRUE(std::holds_alternative<std::string>(back.dbmScaleMax));
}

TEST(SettingsRecord, TextFieldsAreStoredAsTheirTextForm)
{
    MeterSettings s;
    s.wattScaleMax = 0.25;
    s.voltScaleMax = std::int16_t{3};
    const SettingsRecord record = encoded(s);
    // after three integers and four empty values
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin() + 14, record.begin() + 23),
              (std::vector<std::uint8_t>{0x04, 0x00, '0', '.', '2', '5', 0x01, 0x00, '3'}));
    EXPECT_EQ(decoded(record).wattScaleMax, SettingValue(std::string("0.25")));
}

TEST(SettingsRecord, EmptyValuesAndTextsTakeTheirMinimalBytes)
{
    SettingsRecord previous;
    previous.fill(0xAB);
    // 3 integers, 16 empty values or texts of two zero bytes each: 38 bytes, then padding
    const SettingsRecord record = encoded(MeterSettings{}, previous);
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin(), record.begin() + 38), std::vector<std::uint8_t>(38, 0));
    EXPECT_EQ(record[38], 0xAB);
}

TEST(SettingsRecord, AnEmptyFileDecodesToTheEmptySettings)
{
    const MeterSettings s = decoded({});
    EXPECT_EQ(s, MeterSettings{});
    EXPECT_EQ(s.wattScaleMax, SettingValue(std::string()));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(s.calLowMinus10));
}

TEST(SettingsRecord, TextsTooLongForTheRecordAreRefused)
{
    MeterSettings s = factorySettings();
    s.warningLevelDbm = std::string(2 + 16, '5'); // 112 - 6 + 4 + 18 = 128: fits exactly
    EXPECT_TRUE(std::holds_alternative<SettingsRecord>(encodeSettingsRecord(s, '.')));
    s.warningLevelDbm = std::string(2 + 17, '5'); // 129 bytes
    const auto result = encodeSettingsRecord(s, '.');
    ASSERT_TRUE(std::holds_alternative<Failure>(result));
    EXPECT_NE(std::get<Failure>(result).message.find("129"), std::string::npos);
}

TEST(SettingsRecord, CharactersOutsideWindows1252AreRefusedByName)
{
    MeterSettings s = factorySettings();
    s.calHighMinus10 = std::string("1.5\u03A9");
    const auto result = encodeSettingsRecord(s, '.');
    ASSERT_TRUE(std::holds_alternative<Failure>(result));
    EXPECT_NE(std::get<Failure>(result).message.find("High -10 dBm calibration point"), std::string::npos);
}

TEST(SettingsRecord, TextIsWindows1252OnDisk)
{
    MeterSettings s;
    s.wattScaleMax = std::string("\u20AC\u00E9");
    const SettingsRecord record = encoded(s);
    EXPECT_EQ(record[14], 2);
    EXPECT_EQ(record[16], 0x80);
    EXPECT_EQ(record[17], 0xE9);
}

TEST(SettingsRecord, CorruptRecordsFailToDecode)
{
    std::vector<std::uint8_t> unknownTag(128, 0);
    unknownTag[6] = 3; // attenuator tag 3
    EXPECT_TRUE(std::holds_alternative<Failure>(decodeSettingsRecord(unknownTag)));

    std::vector<std::uint8_t> overrun(128, 0);
    overrun[6] = 8; // attenuator: text of 200 bytes
    overrun[8] = 200;
    const auto result = decodeSettingsRecord(overrun);
    ASSERT_TRUE(std::holds_alternative<Failure>(result));
    EXPECT_NE(std::get<Failure>(result).message.find("attenuator"), std::string::npos);

    std::vector<std::uint8_t> notFinite(128, 0);
    notFinite[6] = 5;
    notFinite[14] = 0xF0; // exponent all ones: infinity
    notFinite[15] = 0x7F;
    EXPECT_TRUE(std::holds_alternative<Failure>(decodeSettingsRecord(notFinite)));
}

TEST(SettingsRecord, AFieldEndingExactlyAtTheLastByteDecodes)
{
    MeterSettings s = factorySettings();
    s.warningLevelDbm = std::string(18, '5');
    const SettingsRecord record = encoded(s);
    EXPECT_EQ(decoded(record).warningLevelDbm, s.warningLevelDbm);
}
