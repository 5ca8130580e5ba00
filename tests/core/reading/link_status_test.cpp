#include "core/reading/link_status.hpp"

#include <gtest/gtest.h>

using namespace merolan;

TEST(LinkStatus, SaysWhatTheLineIsDoing)
{
    LinkStatus idle;
    LinkStatus open;
    open.portOpen = true;
    open.port = "Com 1";
    open.device = "/dev/ttyUSB0";
    LinkStatus live = open;
    live.measuring = true;
    live.readingsPerSecond = 3.03;
    live.secondsSinceAnswer = 0.26;
    LinkStatus waiting = live; // a reply on its way is no silence yet
    waiting.secondsUnanswered = 0.4;
    LinkStatus silent = live;
    silent.secondsUnanswered = 5.7;
    LinkStatus recording = live;
    recording.readsDropped = 2;
    recording.recordingFile = "run.csv";
    recording.recordingSeconds = 723.9;
    recording.recordingRows = 3612;
    LinkStatus longRecording = open;
    longRecording.recordingFile = "day.csv";
    longRecording.recordingSeconds = 90'061;
    longRecording.recordingRows = 1'234'567;
    LinkStatus chatty = live; // a meter that also sends readings nobody polled for
    chatty.readsDropped = 7;
    chatty.readsUnasked = 5;
    LinkStatus stoppedRecording = idle;
    stoppedRecording.readsDropped = 1;
    stoppedRecording.recordingFile = "run.csv";
    stoppedRecording.recordingRows = 1;

    const std::pair<LinkStatus, const char *> cases[] = {
        {idle, "No port open"},
        {open, "Com 1 · /dev/ttyUSB0 · not measuring"},
        {live, "Com 1 · /dev/ttyUSB0 · 3.0 readings/s · last answer 0.3 s ago"},
        {waiting, "Com 1 · /dev/ttyUSB0 · 3.0 readings/s · last answer 0.3 s ago"},
        {silent, "Com 1 · /dev/ttyUSB0 · No answer from the meter for 5 s"},
        {recording, "Com 1 · /dev/ttyUSB0 · 3.0 readings/s · last answer 0.3 s ago · 2 reads dropped · Recording "
                    "run.csv · 12:03 · 3,612 rows"},
        {longRecording, "Com 1 · /dev/ttyUSB0 · not measuring · Recording day.csv · 25:01:01 · 1,234,567 rows"},
        {chatty, "Com 1 · /dev/ttyUSB0 · 3.0 readings/s · last answer 0.3 s ago · 7 reads dropped (5 unasked)"},
        {stoppedRecording, "No port open · 1 read dropped · Recording run.csv · 0:00 · 1 row"},
    };
    for (const auto &[status, text] : cases)
        EXPECT_EQ(linkStatusText(status), text);
}
