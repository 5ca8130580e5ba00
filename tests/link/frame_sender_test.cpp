#include "link/frame_sender.hpp"

#include "core/settings/calibration_rules.hpp"
#include "tests/link/meter_line.hpp"

using namespace merolan;
using namespace merolan::testing;

using FrameSenderLine = MeterLine;

TEST_F(FrameSenderLine, FramesCarryTheModeAndThePwmBetweenTheReferences)
{
    enum Kind { Poll, Position, Panel };
    struct Case {
        Kind kind;
        std::int16_t mode, lowRef, highRef;
        double value;
        QByteArray frame;
    };
    const Case cases[] = {
        {Poll, 0, 0, 1023, 0, bytes({128, 0, 0})},
        {Poll, 64, 517, 1023, 0, bytes({192, 1, 129})},
        {Position, 0, 0, 1023, 5, bytes({0, 0, 128})},     // 511.5 goes to the even 512
        {Position, 64, 100, 900, 2.5, bytes({64, 0, 75})}, // 300
        {Panel, 0, 0, 0, 2.5, bytes({0, 2, 0})},           // half to even, the references unused
        {Panel, 64, 0, 0, 3.5, bytes({64, 0, 1})},
        {Panel, 0, 0, 0, 1023, bytes({0, 3, 255})}, // the top of the reference range
    };
    for (const Case &c : cases) {
        MeterSettings settings;
        applyExternalMeterSwitch(settings, c.mode == 64);
        settings.lowRefPwm = c.lowRef;
        settings.highRefPwm = c.highRef;
        const bool written = c.kind == Poll       ? sendPoll(link, settings)
                             : c.kind == Position ? sendScalePosition(link, settings, c.value)
                                                  : sendPanelPwm(link, settings, c.value);
        ASSERT_TRUE(written);
        EXPECT_EQ(nextFrame().toHex(' '), c.frame.toHex(' ')) << c.kind << ' ' << c.value;
    }
}
