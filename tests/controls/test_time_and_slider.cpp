#include "ControlsTestSupport.h"
#include "engine/controls/TNCTSliderB2.h"
#include "engine/controls/TNCTTimeDisplay2.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <vector>


using namespace controls_test;

// ---- Time display -----------------------------------------------------------------------------

TEST(TimeDisplay, MillisecondsSplitIntoHoursMinutesSeconds)
{
    app();
    TNCTTimeDisplay2 t;
    struct Case { int ms, h, m, s; const char* text; };
    const Case cases[] = {
        {0, 0, 0, 0, "0:00:00"},        {999, 0, 0, 0, "0:00:00"},      {1000, 0, 0, 1, "0:00:01"},
        {59999, 0, 0, 59, "0:00:59"},   {60000, 0, 1, 0, "0:01:00"},    {3599999, 0, 59, 59, "0:59:59"},
        {3600000, 1, 0, 0, "1:00:00"},  {3725000, 1, 2, 5, "1:02:05"},  {36000000 + 61000, 10, 1, 1, "10:01:01"},
    };
    for (const Case& c : cases) {
        t.setMilliseconds(c.ms);
        EXPECT_EQ(t.Milliseconds(), c.ms);
        EXPECT_EQ(t.Hours(), c.h) << c.ms;
        EXPECT_EQ(t.Minutes(), c.m) << c.ms;
        EXPECT_EQ(t.Seconds(), c.s) << c.ms;
        EXPECT_EQ(t.text(), QString::fromLatin1(c.text));
    }
    // The largest time an int holds still splits correctly; negative time reads as zero.
    t.setMilliseconds(2147483647);
    EXPECT_EQ(t.Hours(), 596);
    EXPECT_EQ(t.Minutes(), 31);
    EXPECT_EQ(t.Seconds(), 23);
    t.setMilliseconds(-5);
    EXPECT_EQ(t.text(), QStringLiteral("0:00:00"));
}

TEST(TimeDisplay, SingleFieldsKeepTheOthersAndAreLimited)
{
    app();
    TNCTTimeDisplay2 t;
    t.setMilliseconds(3725400);  // 1:02:05.4
    t.setSeconds(0);
    EXPECT_EQ(t.text(), QStringLiteral("1:02:00"));
    t.setMinutes(0);
    EXPECT_EQ(t.text(), QStringLiteral("1:00:00"));
    EXPECT_EQ(t.Milliseconds(), 3600400);
    t.setHours(0);
    EXPECT_EQ(t.Milliseconds(), 400);
    t.setMinutes(75);
    EXPECT_EQ(t.Minutes(), 59);
    t.setSeconds(-3);
    EXPECT_EQ(t.Seconds(), 0);
    // The host's stop sequence: Milliseconds, Seconds, Minutes, Hours := 0.
    t.setMilliseconds(0);
    t.setSeconds(0);
    t.setMinutes(0);
    t.setHours(0);
    EXPECT_EQ(t.text(), QStringLiteral("0:00:00"));
    EXPECT_EQ(t.Hours() * 3600 + t.Minutes() * 60 + t.Seconds(), 0);
}

// A time within the same second paints nothing; a new second repaints the digits that
// changed, and the display then looks as a paint of all of it does.
TEST(TimeDisplay, RepaintsOnlyTheDigitsThatChange)
{
    app();
    TNCTTimeDisplay2 t;
    t.resize(121, 33);
    t.show();
    QCoreApplication::processEvents();
    std::vector<QRect> boxes, seen;
    PaintWatch watch(face(&t), [&](const QRegion& r) { seen.push_back(r.boundingRect()); });
    const auto show = [&](int ms) {
        seen.clear();
        t.setMilliseconds(ms);
        QCoreApplication::processEvents();
        boxes = seen;
        EXPECT_EQ(differingPixels(onScreen(&t), render(&t), t.rect()), 0) << ms;
    };
    show(58200);
    show(58900);   // the same text
    EXPECT_TRUE(boxes.empty());
    show(59000);   // one digit
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_LT(boxes[0].width(), t.width() / 5);
    show(60000);   // 0:00:59 -> 0:01:00: three digits
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_LT(boxes[0].width(), t.width() * 3 / 4);
}

// ---- Position slider --------------------------------------------------------------------------

namespace {

struct SliderFixture : WithApp, ::testing::Test {
    SliderFixture()
    {
        app();
        slider.resize(512, 15);
        slider.show();
        strip = face(&slider);
    }
    // x of value v on the strip (the thumb centre runs from 6.5 to width - 6.5).
    double xOf(int v) const { return 6.5 + (strip->width() - 13.0) * v / 1000.0; }

    TNCTSliderB2 slider;
    QWidget* strip = nullptr;
};

}  // namespace

TEST_F(SliderFixture, SetValueFromCodeIsSilentAndClamped)
{
    Spy<> down(&slider, &TNCTSliderB2::OnMouseDown);
    Spy<int> change(&slider, &TNCTSliderB2::OnValueChange);
    slider.setValue(400);
    EXPECT_EQ(slider.Value(), 400);
    slider.setValue(1500);
    EXPECT_EQ(slider.Value(), 1000);
    slider.setValue(-20);
    EXPECT_EQ(slider.Value(), 0);
    EXPECT_EQ(down.count(), 0);
    EXPECT_EQ(change.count(), 0);
}

TEST_F(SliderFixture, ClickOnTheStripJumpsAndDragFollowsUntilRelease)
{
    std::vector<QString> order;
    std::vector<int> values;
    QObject::connect(&slider, &TNCTSliderB2::OnMouseDown, [&] { order.push_back("down"); });
    QObject::connect(&slider, &TNCTSliderB2::OnMouseUp, [&] { order.push_back("up"); });
    QObject::connect(&slider, &TNCTSliderB2::OnValueChange, [&](int v) {
        order.push_back("change");
        values.push_back(v);
        EXPECT_EQ(slider.Value(), v);  // the value is in place when the event comes
    });

    mouse(strip, QEvent::MouseButtonPress, {xOf(250), 7});
    EXPECT_NEAR(slider.Value(), 250, 2);
    mouse(strip, QEvent::MouseMove, {xOf(600), 7});
    EXPECT_NEAR(slider.Value(), 600, 2);
    mouse(strip, QEvent::MouseMove, {strip->width() + 200.0, 7});  // beyond the end: clamped
    EXPECT_EQ(slider.Value(), 1000);
    mouse(strip, QEvent::MouseMove, {-50, 7});
    EXPECT_EQ(slider.Value(), 0);
    mouse(strip, QEvent::MouseButtonRelease, {-50, 7});

    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(order.front(), "down");
    EXPECT_EQ(order.back(), "up");
    EXPECT_EQ(std::count(order.begin(), order.end(), "down"), 1);
    EXPECT_EQ(std::count(order.begin(), order.end(), "up"), 1);
    EXPECT_EQ(values.size(), 4u);
    EXPECT_EQ(values.back(), 0);

    // A move without a held button changes nothing.
    mouse(strip, QEvent::MouseMove, {xOf(700), 7});
    EXPECT_EQ(slider.Value(), 0);
}

TEST_F(SliderFixture, DraggingTheThumbKeepsWhereItWasCaught)
{
    slider.setValue(500);
    Spy<int> change(&slider, &TNCTSliderB2::OnValueChange);
    // Caught 3 px right of its centre: no jump on the press.
    mouse(strip, QEvent::MouseButtonPress, {xOf(500) + 3, 7});
    EXPECT_EQ(slider.Value(), 500);
    EXPECT_EQ(change.count(), 0);
    mouse(strip, QEvent::MouseMove, {xOf(700) + 3, 7});
    EXPECT_NEAR(slider.Value(), 700, 2);
    mouse(strip, QEvent::MouseButtonRelease, {xOf(700) + 3, 7});
    EXPECT_EQ(change.count(), 1);
}

TEST_F(SliderFixture, KeysMoveItFramedByDownAndUp)
{
    slider.setValue(500);
    Spy<> down(&slider, &TNCTSliderB2::OnMouseDown);
    Spy<> up(&slider, &TNCTSliderB2::OnMouseUp);
    Spy<int> change(&slider, &TNCTSliderB2::OnValueChange);
    key(strip, QEvent::KeyPress, Qt::Key_Right);
    key(strip, QEvent::KeyPress, Qt::Key_Right, true);  // held: auto-repeat
    EXPECT_EQ(slider.Value(), 520);
    EXPECT_EQ(down.count(), 1);
    EXPECT_EQ(up.count(), 0);
    key(strip, QEvent::KeyRelease, Qt::Key_Right);
    EXPECT_EQ(up.count(), 1);
    key(strip, QEvent::KeyPress, Qt::Key_PageDown);
    key(strip, QEvent::KeyRelease, Qt::Key_PageDown);
    EXPECT_EQ(slider.Value(), 420);
    key(strip, QEvent::KeyPress, Qt::Key_End);
    key(strip, QEvent::KeyRelease, Qt::Key_End);
    EXPECT_EQ(slider.Value(), 1000);
    EXPECT_EQ(change.count(), 4);
    EXPECT_EQ(down.count(), up.count());
}

TEST_F(SliderFixture, DisabledIgnoresTheUserAndDisablingEndsAHold)
{
    Spy<> down(&slider, &TNCTSliderB2::OnMouseDown);
    Spy<> up(&slider, &TNCTSliderB2::OnMouseUp);
    mouse(strip, QEvent::MouseButtonPress, {xOf(300), 7});
    EXPECT_EQ(down.count(), 1);
    // Recording starts while the user holds it: the hold ends with OnMouseUp.
    slider.setEnabled(false);
    EXPECT_EQ(up.count(), 1);
    const int before = slider.Value();
    mouse(strip, QEvent::MouseButtonPress, {xOf(800), 7});
    mouse(strip, QEvent::MouseButtonRelease, {xOf(800), 7});
    EXPECT_EQ(slider.Value(), before);
    EXPECT_EQ(down.count(), 1);
    EXPECT_EQ(up.count(), 1);
    slider.setValue(900);  // the host still moves it
    EXPECT_EQ(slider.Value(), 900);
}

TEST_F(SliderFixture, StripColorReadsBack)
{
    EXPECT_TRUE(slider.StripColor().isValid());
    slider.setStripColor(QColor(255, 255, 255));
    EXPECT_EQ(slider.StripColor(), QColor(255, 255, 255));
}
