#include "ControlsTestSupport.h"
#include "engine/controls/TAudioVisualization2.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPalette>
#include <QTimer>
#include <utility>
#include <cmath>
#include <cstdio>

using namespace controls_test;

namespace {

SampleArray sine(int channels, int frames, double freq, double amplitude = 0.5, int rate = 44100)
{
    SampleArray a(channels, frames);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            a.data()[i * channels + c] =
                float(amplitude * std::sin(2 * 3.14159265358979 * freq * (c + 1) * i / rate));
    return a;
}

// The plot: inside the left and bottom scales of the default look (generous margins).
QRect plotArea(const QWidget& w) { return w.rect().adjusted(32, 0, 0, -16); }

}  // namespace

TEST(Visualization, DesignValues)
{
    app();
    TAudioVisualization2 v;
    EXPECT_EQ(v.WindowArraySize(), 1024);
    EXPECT_EQ(v.WindowFFTType(), 0);
    EXPECT_EQ(v.VisType(), 2);
    EXPECT_EQ(v.GridYMin(), 0);
    EXPECT_EQ(v.GridYMax(), 100);
    EXPECT_EQ(v.BackColor(), QColor(Qt::black));
    EXPECT_EQ(v.GridColor(), QColor(112, 112, 112));
    EXPECT_EQ(v.LineColorLeft(), QColor(255, 0, 0));
    EXPECT_EQ(v.LineColorRight(), QColor(0, 255, 0));
    EXPECT_EQ(v.BorderColor(), QColor(Qt::black));
    EXPECT_EQ(v.ScaleColor(), v.palette().color(QPalette::Button));
    EXPECT_EQ(v.TextColor(), v.palette().color(QPalette::ButtonText));
    EXPECT_TRUE(v.GridVisible());
    EXPECT_TRUE(v.ScaleXVisible());
    EXPECT_TRUE(v.ScaleYVisible());
    EXPECT_EQ(v.BorderStyle(), 0);
    EXPECT_EQ(v.SampleRate(), 44100);
}

TEST(Visualization, SettersKeepToTheOfferedValues)
{
    app();
    TAudioVisualization2 v;
    for (int n : {256, 1024, 4096}) {
        v.setWindowArraySize(n);
        EXPECT_EQ(v.WindowArraySize(), n);
    }
    v.setWindowArraySize(0);
    EXPECT_EQ(v.WindowArraySize(), 256);
    v.setWindowArraySize(100000);
    EXPECT_EQ(v.WindowArraySize(), 4096);
    v.setWindowFFTType(4);
    EXPECT_EQ(v.WindowFFTType(), 4);
    v.setWindowFFTType(9);
    EXPECT_EQ(v.WindowFFTType(), 4);
    v.setVisType(5);
    EXPECT_EQ(v.VisType(), 5);
    v.setVisType(-1);
    EXPECT_EQ(v.VisType(), 0);
}

// Every style with every window and size draws a sine (the plot differs from the empty
// picture), and an empty array brings the empty picture back.
TEST(Visualization, EveryStyleWindowAndSizeDrawsASine)
{
    app();
    TAudioVisualization2 v;
    v.resize(360, 240);
    v.show();
    for (int vis = 0; vis <= 5; ++vis) {
        v.setVisType(vis);
        for (int size : {256, 1024, 4096}) {
            v.setWindowArraySize(size);
            for (int win = 0; win <= 4; ++win) {
                v.setWindowFFTType(win);
                v.ShowArray(SampleArray());
                const QImage empty = render(&v);
                v.ShowArray(sine(2, 2 * size, 1000.0));
                const QImage drawn = render(&v);
                const int changed = differingPixels(empty, drawn, plotArea(v));
                EXPECT_GT(changed, vis == 3 ? 10 : 400) << "VisType " << vis << " size " << size << " window " << win;
                v.ShowArray(SampleArray());
                EXPECT_EQ(differingPixels(empty, render(&v), v.rect()), 0)
                    << "not cleared: VisType " << vis << " size " << size << " window " << win;
            }
        }
    }
}

TEST(Visualization, OddInputIsDrawnWithoutHarm)
{
    app();
    TAudioVisualization2 v;
    v.resize(300, 200);
    v.show();
    for (int vis = 0; vis <= 5; ++vis) {
        v.setVisType(vis);
        v.ShowArray(sine(1, 2048, 440.0));        // mono
        render(&v);
        v.ShowArray(sine(2, 100, 440.0));         // shorter than the transform
        render(&v);
        v.ShowArray(sine(2, 1, 440.0));           // a single frame
        render(&v);
        v.ShowArray(sine(6, 2048, 440.0, 1.0));   // more channels than two: the first two
        render(&v);
        SampleArray bad = sine(2, 2048, 440.0);
        bad.data()[10] = std::nanf("");
        bad.data()[11] = INFINITY;
        bad.data()[12] = 40.0f;                  // far beyond full scale
        v.ShowArray(bad);
        render(&v);
        SampleArray silence(2, 2048);
        v.ShowArray(silence);
        render(&v);
    }
    // Tiny and odd sizes.
    for (QSize s : {QSize(1, 1), QSize(10, 8), QSize(40, 30), QSize(1000, 60)}) {
        v.resize(s);
        for (int vis = 0; vis <= 5; ++vis) {
            v.setVisType(vis);
            v.ShowArray(sine(2, 2048, 440.0));
            render(&v);
        }
    }
    SUCCEED();
}

TEST(Visualization, PropertiesChangeThePicture)
{
    app();
    TAudioVisualization2 v;
    v.resize(360, 240);
    v.ShowArray(sine(2, 2048, 1000.0));
    const QImage base = render(&v);
    v.setGridVisible(false);
    const QImage noGrid = render(&v);
    EXPECT_GT(differingPixels(base, noGrid, v.rect()), 50);
    v.setScaleXVisible(false);
    v.setScaleYVisible(false);
    const QImage noScales = render(&v);
    EXPECT_EQ(noScales.pixel(2, 2), QColor(Qt::black).rgb());  // the plot fills it all
    v.setBorderStyle(1);
    v.setBorderColor(QColor(0, 0, 255));
    EXPECT_EQ(render(&v).pixel(0, 120), QColor(0, 0, 255).rgb());
    v.setBackColor(QColor(10, 20, 30));
    EXPECT_EQ(render(&v).pixel(5, 5), QColor(10, 20, 30).rgb());
}

// The bars style paints a new frame where it changes the picture only (nothing for a frame
// that changes nothing), and what is on the screen then is what a paint of all of it gives.
TEST(Visualization, BarFramesRepaintOnlyTheirChangesAndMatchAWholePaint)
{
    app();
    TAudioVisualization2 v;
    v.resize(360, 240);
    v.show();
    QTimer* frameTimer = v.findChild<QTimer*>();
    ASSERT_NE(frameTimer, nullptr);
    long long painted = 0;
    PaintWatch watch(&v, [&](const QRegion& r) {
        for (const QRect& rect : r)
            painted += rect.width() * rect.height();
    });
    const auto settle = [&] {   // the frame's turn comes (at most 25 a second), then its paint
        do
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        while (frameTimer->isActive());
        QCoreApplication::processEvents();
    };
    settle();
    QImage before = onScreen(&v);
    int frame = 0;
    const std::pair<double, double> tones[] = {{700, 0.5}, {700, 0.5}, {900, 0.3}, {900, 0.05}, {900, 0.0}, {2500, 0.7}, {2600, 0.69}};
    for (auto [freq, level] : tones) {
        ++frame;
        painted = 0;
        v.ShowArray(sine(2, 2048, freq, level));
        settle();
        const long long paintedForFrame = painted;
        const QImage shown = onScreen(&v);
        EXPECT_EQ(differingPixels(shown, render(&v), v.rect()), 0) << "frame " << frame;
        const int changed = differingPixels(before, shown, v.rect());
        painted = paintedForFrame;
        // Changes are painted in bands of rows: a few times the pixels that changed.
        EXPECT_LE(painted, 6 * changed) << "frame " << frame << ": " << painted << " pixels painted for " << changed;
        before = shown;
    }
}

TEST(Visualization, ClickReportsThePoint)
{
    app();
    TAudioVisualization2 v;
    v.resize(200, 100);
    Spy<int, int> clicks(&v, &TAudioVisualization2::OnMouseClick);
    mouse(&v, QEvent::MouseButtonPress, {40, 30});
    mouse(&v, QEvent::MouseButtonRelease, {40, 30});
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(std::get<0>(clicks.calls[0]), 40);
    EXPECT_EQ(std::get<1>(clicks.calls[0]), 30);
}

// One frame of 4096 points, analysed and drawn, must cost far less than the 80 ms tick.
TEST(Visualization, A4096PointFrameIsCheap)
{
    app();
    TAudioVisualization2 v;
    v.setWindowArraySize(4096);
    v.setWindowFFTType(3);
    const SampleArray block = sine(2, 8192, 1234.0, 0.7);
    for (QSize size : {QSize(640, 360), QSize(1100, 600)}) {
        v.resize(size);
        v.show();
        QImage img(v.size(), QImage::Format_ARGB32_Premultiplied);
        for (int vis = 0; vis <= 5; ++vis) {
            v.setVisType(vis);
            v.ShowArray(block);  // warm-up: plan and buffers
            v.render(&img);
            constexpr int rounds = 10;
            QElapsedTimer t;
            t.start();
            for (int i = 0; i < rounds; ++i)
                v.ShowArray(block);
            const double analyse = t.nsecsElapsed() / 1e6 / rounds;
            t.restart();
            for (int i = 0; i < rounds; ++i)
                v.render(&img);
            const double draw = t.nsecsElapsed() / 1e6 / rounds;
            std::printf("[ timing ] VisType %d at %dx%d: analysis %.2f ms + drawing %.2f ms a frame\n", vis,
                        size.width(), size.height(), analyse, draw);
            EXPECT_LT(analyse + draw, 40.0) << "VisType " << vis;
        }
    }
}
