#include "ControlsTestSupport.h"
#include "engine/controls/TNCTEqualizer2.h"
#include "engine/controls/TNCTPlayButtonB2.h"
#include "engine/dsp/PlaybackEqualizer.h"

#include <gtest/gtest.h>

#include <QAbstractButton>

using namespace controls_test;

// ---- Transport panel --------------------------------------------------------------------------

namespace {

struct PanelFixture : WithApp, ::testing::Test {
    PanelFixture()
    {
        app();
        panel.resize(252, 27);  // the width at the smallest main window
        panel.show();
    }
    QWidget* part(const QString& tip) const
    {
        for (QWidget* w : panel.findChildren<QWidget*>())
            if (w->toolTip() == tip)
                return w;
        return nullptr;
    }
    void press(const QString& tip)
    {
        QWidget* w = part(tip);
        ASSERT_NE(w, nullptr) << tip.toStdString();
        const QPointF c(w->width() / 2.0, w->height() / 2.0);
        mouse(w, QEvent::MouseButtonPress, c);
        mouse(w, QEvent::MouseButtonRelease, c);
    }

    TNCTPlayButtonB2 panel;
};

const QStringList kParts = {QStringLiteral("Запись"), QStringLiteral("Воспроизведение"), QStringLiteral("Пауза"),
                            QStringLiteral("Стоп"), QStringLiteral("Тихо"), QStringLiteral("Громкость")};

}  // namespace

TEST_F(PanelFixture, EveryPartFitsSideBySideAtTheSmallestWidthAndGrowsWithIt)
{
    for (int width : {252, 400, 972}) {
        panel.resize(width, 27);
        QApplication::processEvents();
        int lastRight = -1;
        for (const QString& tip : kParts) {
            QWidget* w = part(tip);
            ASSERT_NE(w, nullptr) << tip.toStdString();
            const QRect r(w->mapTo(&panel, QPoint(0, 0)), w->size());
            EXPECT_TRUE(panel.rect().contains(r)) << tip.toStdString() << " at width " << width;
            EXPECT_GT(r.left(), lastRight) << tip.toStdString() << " overlaps its neighbour";
            EXPECT_GE(r.width(), 22) << tip.toStdString();
            EXPECT_GE(r.height(), 20) << tip.toStdString();
            lastRight = r.right();
        }
    }
    panel.resize(252, 27);
    QApplication::processEvents();
    const int narrowVolume = part(QStringLiteral("Громкость"))->width();
    panel.resize(500, 27);
    QApplication::processEvents();
    EXPECT_GT(part(QStringLiteral("Громкость"))->width(), narrowVolume);
}

TEST_F(PanelFixture, EachKeyReportsItsCode)
{
    Spy<int> clicks(&panel, &TNCTPlayButtonB2::OnMouseClick);
    press(QStringLiteral("Воспроизведение"));
    press(QStringLiteral("Пауза"));
    press(QStringLiteral("Стоп"));
    press(QStringLiteral("Запись"));
    ASSERT_EQ(clicks.count(), 4);
    EXPECT_EQ(std::get<0>(clicks.calls[0]), 1);
    EXPECT_EQ(std::get<0>(clicks.calls[1]), 2);
    EXPECT_EQ(std::get<0>(clicks.calls[2]), 3);
    EXPECT_EQ(std::get<0>(clicks.calls[3]), 4);
    // Keys only report: the look changes when the host says so.
    EXPECT_EQ(panel.State(), 0);

    for (int code : {1, 2, 3, 4})
        panel.click(code);
    ASSERT_EQ(clicks.count(), 8);
    EXPECT_EQ(std::get<0>(clicks.calls[4]), 1);
    EXPECT_EQ(std::get<0>(clicks.calls[7]), 4);
}

TEST_F(PanelFixture, MuteSwitchTogglesAndReportsSevenWithTheNewState)
{
    std::vector<bool> seen;
    QObject::connect(&panel, &TNCTPlayButtonB2::OnMouseClick, [&](int code) {
        ASSERT_EQ(code, 7);
        seen.push_back(panel.Mute());  // the handler reads Mute() and finds the new state
    });
    EXPECT_FALSE(panel.Mute());
    press(QStringLiteral("Тихо"));
    panel.click(7);
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));

    // Set from code: no event.
    panel.setMute(true);
    EXPECT_TRUE(panel.Mute());
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(PanelFixture, VolumeReportsUserMovesOnly)
{
    Spy<int> vol(&panel, &TNCTPlayButtonB2::OnChangeVolume);
    panel.SetVolume(30000);
    EXPECT_EQ(panel.Volume(), 30000);
    panel.SetVolume(70000);
    EXPECT_EQ(panel.Volume(), 65535);
    panel.SetVolume(-1);
    EXPECT_EQ(panel.Volume(), 0);
    EXPECT_EQ(vol.count(), 0);

    QWidget* w = part(QStringLiteral("Громкость"));
    mouse(w, QEvent::MouseButtonPress, {double(w->width()), w->height() / 2.0});
    mouse(w, QEvent::MouseButtonRelease, {double(w->width()), w->height() / 2.0});
    ASSERT_EQ(vol.count(), 1);
    EXPECT_EQ(std::get<0>(vol.calls[0]), 65535);
    EXPECT_EQ(panel.Volume(), 65535);

    key(w, QEvent::KeyPress, Qt::Key_Home);
    ASSERT_EQ(vol.count(), 2);
    EXPECT_EQ(std::get<0>(vol.calls[1]), 0);
    key(w, QEvent::KeyPress, Qt::Key_Down);  // already at 0: nothing to report
    EXPECT_EQ(vol.count(), 2);
}

TEST_F(PanelFixture, StatesAndOtherCodes)
{
    panel.SetStateRecord();
    EXPECT_EQ(panel.State(), 3);
    panel.SetStatePause();
    EXPECT_EQ(panel.State(), 2);
    panel.SetStatePlay();
    EXPECT_EQ(panel.State(), 1);
    const QImage playing = render(&panel);
    panel.SetStateStop();
    EXPECT_EQ(panel.State(), 0);
    EXPECT_NE(render(&panel), playing);  // the lit key goes out

    // Codes without a key are passed on as they are, for the host to ignore.
    Spy<int> clicks(&panel, &TNCTPlayButtonB2::OnMouseClick);
    panel.click(5);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(std::get<0>(clicks.calls[0]), 5);
    EXPECT_FALSE(panel.Mute());

    // A disabled panel takes no clicks.
    panel.setEnabled(false);
    panel.click(1);
    EXPECT_EQ(clicks.count(), 1);
}

// ---- Equaliser --------------------------------------------------------------------------------

TEST(Equalizer, StartsFlatAndSetBandIsSilentAndClamped)
{
    app();
    TNCTEqualizer2 eq;
    Spy<int> changes(&eq, &TNCTEqualizer2::OnValueChange);
    for (int n = 1; n <= 12; ++n)
        EXPECT_EQ(eq.Band(n), 0.0f);
    eq.setBand(3, 7.5f);
    EXPECT_EQ(eq.Band3(), 7.5f);
    eq.setBand(4, 40.0f);
    EXPECT_EQ(eq.Band4(), 15.0f);
    eq.setBand(5, -40.0f);
    EXPECT_EQ(eq.Band5(), -15.0f);
    eq.setBand(0, 3.0f);   // no such band
    eq.setBand(13, 3.0f);
    EXPECT_EQ(eq.Band(0), 0.0f);
    EXPECT_EQ(eq.Band(13), 0.0f);
    EXPECT_EQ(changes.count(), 0);
}

TEST(Equalizer, UserMovesReportTheBand)
{
    app();
    TNCTEqualizer2 eq;
    eq.resize(340, 118);
    eq.show();
    Spy<int> changes(&eq, &TNCTEqualizer2::OnValueChange);
    eq.userSetBand(12, -6.0f);
    eq.userSetBand(1, 20.0f);
    ASSERT_EQ(changes.count(), 2);
    EXPECT_EQ(std::get<0>(changes.calls[0]), 12);
    EXPECT_EQ(eq.Band12(), -6.0f);
    EXPECT_EQ(std::get<0>(changes.calls[1]), 1);
    EXPECT_EQ(eq.Band1(), 15.0f);

    // Mouse: press on the top of band 2's track, drag to the bottom.
    QWidget* f = face(&eq);
    const double colW = (f->width() - std::clamp(f->width() / 12, 20, 30) - 4.0) / 12;
    const double x = std::clamp(f->width() / 12, 20, 30) + colW * 1.5;
    mouse(f, QEvent::MouseButtonPress, {x, 2});
    EXPECT_EQ(eq.Band2(), 15.0f);
    mouse(f, QEvent::MouseMove, {x, double(f->height())});
    EXPECT_EQ(eq.Band2(), -15.0f);
    mouse(f, QEvent::MouseButtonRelease, {x, double(f->height())});
    ASSERT_EQ(changes.count(), 4);
    EXPECT_EQ(std::get<0>(changes.calls[2]), 2);
    EXPECT_EQ(std::get<0>(changes.calls[3]), 2);
    for (int n : {3, 4, 5, 6, 7, 8, 9, 10, 11})
        EXPECT_EQ(eq.Band(n), 0.0f);

    // Keys act on the band last touched: Up raises it by half a decibel, Home resets it.
    key(f, QEvent::KeyPress, Qt::Key_Up);
    EXPECT_EQ(eq.Band2(), -14.5f);
    key(f, QEvent::KeyPress, Qt::Key_Home);
    EXPECT_EQ(eq.Band2(), 0.0f);
    EXPECT_EQ(changes.count(), 6);
}

TEST(Equalizer, LabelsNameTheBandCentres)
{
    const QStringList expected = {"31", "63", "125", "250", "500", "1k", "2k", "4k", "8k", "12k", "16k", "20k"};
    // The labels follow the playback equaliser's centres when it reports them; they must be
    // twelve distinct rising frequencies either way.
    QStringList labels;
    for (int n = 1; n <= 12; ++n)
        labels << TNCTEqualizer2::bandLabel(n);
    EXPECT_EQ(labels.size(), 12);
    EXPECT_EQ(labels.removeDuplicates(), 0);
    if (PlaybackEqualizer::bandFrequency(0) <= 0) {
        EXPECT_EQ(labels, expected);
    }
    for (int n = 1; n < 12 && PlaybackEqualizer::bandFrequency(0) > 0; ++n)
        EXPECT_GT(PlaybackEqualizer::bandFrequency(n), PlaybackEqualizer::bandFrequency(n - 1));
    EXPECT_TRUE(TNCTEqualizer2::bandLabel(0).isEmpty());
    EXPECT_TRUE(TNCTEqualizer2::bandLabel(13).isEmpty());
}
