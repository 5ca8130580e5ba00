#include "gauge/help_scale.hpp"

#include <gtest/gtest.h>

#include <tuple>

using namespace merolan;

namespace {
std::array<std::string, 4> textsOf(GaugeUnit unit, const char *max, const char *min)
{
    const auto texts = helpScaleTexts(unit, {max, min});
    return {texts[0].text, texts[1].text, texts[2].text, texts[3].text};
}
} // namespace

TEST(HelpScale, PrintsTheFourMarksInOrderAtTheirPositions)
{
    const auto texts = helpScaleTexts(GaugeUnit::Dbm, {"-10", "-50"});
    const std::tuple<int, int, const char *> expected[] = {
        {83, 35, "-42"}, {421, 35, "-18"}, {315, 0, "-26"}, {200, 0, "-34"}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(texts[i].x, std::get<0>(expected[i]));
        EXPECT_EQ(texts[i].y, std::get<1>(expected[i]));
        EXPECT_EQ(texts[i].text, std::get<2>(expected[i]));
    }
}

TEST(HelpScale, TextsPerUnit)
{
    using Texts = std::array<std::string, 4>;
    EXPECT_EQ(textsOf(GaugeUnit::Dbm, "-10", "-50.5")[0], "-42.8");
    EXPECT_EQ(textsOf(GaugeUnit::Dbm, "20", "0"), (Texts{" 4", " 16", " 12", " 8"}));
    EXPECT_EQ(textsOf(GaugeUnit::Watt, "1.0", "0"), (Texts{"0.2", "0.8", "0.6", "0.4"}));
    EXPECT_EQ(textsOf(GaugeUnit::Watt, "0.04", "0"), (Texts{" 8 mW", " 32 mW", " 24 mW", " 16 mW"}));
    EXPECT_EQ(textsOf(GaugeUnit::Watt, "0.1", "0"), (Texts{"0.02", "0.08", "0.06", "0.04"}));
    EXPECT_EQ(textsOf(GaugeUnit::Watt, "10m", "0"), (Texts{" 2 mW", " 8 mW", " 6 mW", " 4 mW"}));
    EXPECT_EQ(textsOf(GaugeUnit::Volt, "1", "0.125")[0], "0.3");
    EXPECT_EQ(textsOf(GaugeUnit::Volt, "0.02", "0"), (Texts{" 4 mV", " 16 mV", " 12 mV", " 8 mV"}));
}

TEST(HelpScale, SmallValuesAreCutLargeOnesRounded)
{
    const std::pair<double, const char *> cases[] = {
        {0.125, "0.12"}, {-0.125, "-0.12"}, {12.3456, " 12.35"}, {0.999, "0.99"}, {0, " 0"}, {-3.5, "-3.5"},
    };
    for (auto [value, text] : cases)
        EXPECT_EQ(formatHelpScaleValue(value), text) << value;
}
