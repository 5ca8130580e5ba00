#include "core/scpi/scpi_lines.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace merolan::scpi;

namespace {

// The events of a stream fed in the given pieces, written as "msg:<text>" and "overrun".
std::vector<std::string> eventsOf(const std::vector<std::string> &pieces)
{
    MessageSplitter splitter;
    std::vector<std::string> seen;
    for (const std::string &piece : pieces) {
        for (const MessageEvent &event : splitter.feed(piece))
            seen.push_back(event.kind == MessageEvent::Kind::Overrun ? "overrun" : "msg:" + event.text);
    }
    return seen;
}

} // namespace

TEST(ScpiLines, MessagesEndAtLfWhateverPiecesTheyArriveIn)
{
    const std::string longest(kMaxMessageBytes, 'A');
    const struct {
        std::vector<std::string> pieces;
        std::vector<std::string> events;
    } cases[] = {
        {{"*IDN?\n"}, {"msg:*IDN?"}},
        {{"*ID", "N?\r", "\n"}, {"msg:*IDN?"}}, // a CR before the LF is no part of it
        {{"MEAS?\nSYST:ERR?\n"}, {"msg:MEAS?", "msg:SYST:ERR?"}},
        {{"\n\r\n"}, {"msg:", "msg:"}}, // empty messages are messages too
        {{"A\rB\n"}, {"msg:A\rB"}},     // only the CR before the LF goes
        {{"*IDN?"}, {}},                // not finished yet
        {{std::string("A\0B\n", 4)}, {std::string("msg:A\0B", 7)}},
        {{longest + "\n"}, {"msg:" + longest}},
        {{longest, "B", "CD\nNEXT\n"}, {"overrun", "msg:NEXT"}}, // reported once, dropped to its LF
        {{longest + "B\n*IDN?\n"}, {"overrun", "msg:*IDN?"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(eventsOf(c.pieces), c.events) << c.pieces.front().substr(0, 20);
}

TEST(ScpiLines, AFloodWithoutLfHoldsNoMoreThanTheBound)
{
    MessageSplitter splitter;
    const std::string chunk(65536, 'x');
    std::size_t overruns = 0;
    for (int i = 0; i < 64; ++i) {
        for (const MessageEvent &event : splitter.feed(chunk))
            overruns += event.kind == MessageEvent::Kind::Overrun;
        EXPECT_LE(splitter.pending(), kMaxMessageBytes);
    }
    EXPECT_EQ(overruns, 1u);
}
