// The automatic stop and the cut as the recorder's tick runs them, on the seconds shown by the
// time display.
#include "engine/controls/TNCTTimeDisplay2.h"
#include "settings/AutoStop.h"
#include "support/GuiTestSupport.h"

#include <gtest/gtest.h>

namespace {


TRecordingSettings limit(int seconds)
{
    TRecordingSettings s;
    s.TimeLimit = seconds;
    return s;
}

TRecordingSettings split(int length, int offset = 0)
{
    TRecordingSettings s;
    s.SplitEnabled = true;
    s.SplitLength = length;
    s.SplitOffset = offset;
    return s;
}

TEST(AutoStop, LimitReachedOnlyForAPositiveLimit)
{
    EXPECT_FALSE(LimitReached(9, limit(10)));
    EXPECT_TRUE(LimitReached(10, limit(10)));
    EXPECT_TRUE(LimitReached(11, limit(10)));
    EXPECT_FALSE(LimitReached(0, limit(0)));      // 0 set through empty fields: never stops
    EXPECT_FALSE(LimitReached(100, limit(-1)));
    EXPECT_FALSE(LimitReached(100, limit(-5)));
}

TEST(AutoStop, SplitDueCountsTheCurrentPiece)
{
    EXPECT_FALSE(SplitDue(299, split(300)));
    EXPECT_TRUE(SplitDue(300, split(300)));
    EXPECT_FALSE(SplitDue(599, split(300, 300)));
    EXPECT_TRUE(SplitDue(600, split(300, 300)));
    EXPECT_FALSE(SplitDue(1000, split(0)));        // length 0 never cuts
    TRecordingSettings off = split(300);
    off.SplitEnabled = false;
    EXPECT_FALSE(SplitDue(1000, off));
    EXPECT_FALSE(SplitActive(off));
}

// The tick of the recorder, as the transport runs it, against a real time display.
struct Recording {
    TRecordingSettings s;
    TNCTTimeDisplay2 display;
    int pieces = 0;
    int pieceMs = 0;
    bool running = true;
    std::vector<int> endsAt;   // displayed seconds at which each piece ended

    void tick()
    {
        display.setMilliseconds(pieceMs + s.SplitOffset * 1000);
        if (s.TimeLimit > 0 && LimitReached(ElapsedSeconds(display), s)) {
            endsAt.push_back(ElapsedSeconds(display));
            ++pieces;
            running = false;
            display.setMilliseconds(0);
            s.SplitOffset = 0;
        }
        if (SplitActive(s) && SplitDue(ElapsedSeconds(display), s)) {
            endsAt.push_back(ElapsedSeconds(display));
            ++pieces;
            s.SplitOffset += s.SplitLength;
            pieceMs = 0;
        }
    }
    void run(int maxSeconds, int tickMs = 200)
    {
        for (int t = 0; running && t <= maxSeconds * 1000; t += tickMs) {
            tick();
            pieceMs += tickMs;
        }
    }
};

class AutoStopDisplay : public ::testing::Test {
protected:
    void SetUp() override { testApplication(); }
};

TEST_F(AutoStopDisplay, ElapsedSecondsReadsTheDisplayParts)
{
    TNCTTimeDisplay2 d;
    d.setMilliseconds(3725000);
    EXPECT_EQ(ElapsedSeconds(d), 3725);
    d.setMilliseconds(9999);
    EXPECT_EQ(ElapsedSeconds(d), 9);   // whole seconds as shown
}

TEST_F(AutoStopDisplay, LimitOf600WithPiecesOf300GivesTwoFiles)
{
    Recording r;
    r.s.TimeLimit = 600;
    r.s.SplitEnabled = true;
    r.s.SplitLength = 300;
    r.run(700);
    EXPECT_FALSE(r.running);
    EXPECT_EQ(r.pieces, 2);
    EXPECT_EQ(r.endsAt, (std::vector<int>{300, 600}));
    EXPECT_EQ(r.s.SplitOffset, 0);
}

TEST_F(AutoStopDisplay, LimitStopsAtTheFirstTickThatShowsIt)
{
    Recording r;
    r.s.TimeLimit = 10;
    r.run(20, 300);
    EXPECT_EQ(r.pieces, 1);
    EXPECT_EQ(r.endsAt, std::vector<int>{10});
    // The limit stays for the next recording.
    EXPECT_EQ(r.s.TimeLimit, 10);
}

}  // namespace
