// Pictures of the controls for a person to look at: written only when TAVRIN_SHOT_DIR names a
// folder (skipped otherwise).
#include "ControlsTestSupport.h"
#include "engine/controls/TAudioVisualization2.h"
#include "engine/controls/TNCTAmpBar2.h"
#include "engine/controls/TNCTEqualizer2.h"
#include "engine/controls/TNCTPlayButtonB2.h"
#include "engine/controls/TNCTSliderB2.h"
#include "engine/controls/TNCTTimeDisplay2.h"

#include <gtest/gtest.h>

#include <QDir>
#include <cmath>
#include <random>

using namespace controls_test;

namespace {

QString shotDir() { return qEnvironmentVariable("TAVRIN_SHOT_DIR"); }

// A music-like test signal: a few partials over a drifting base, some noise, a beat.
SampleArray music(int frames, int tick, int rate = 44100)
{
    static std::mt19937 rng(7);
    std::normal_distribution<float> noise(0.0f, 0.01f);
    SampleArray a(2, frames);
    const double base = 110.0 * std::pow(2.0, (tick % 24) / 12.0);
    for (int i = 0; i < frames; ++i) {
        const double t = (double(tick) * frames + i) / rate;
        double l = 0, r = 0;
        for (int k = 1; k <= 6; ++k) {
            const double amp = 0.25 / k;
            l += amp * std::sin(2 * M_PI * base * k * t);
            r += amp * std::sin(2 * M_PI * base * k * 1.5 * t + k);
        }
        const double beat = std::exp(-20 * std::fmod(t, 0.5));
        l += 0.3 * beat * std::sin(2 * M_PI * 60 * t) + noise(rng);
        r += 0.2 * beat * std::sin(2 * M_PI * 3000 * t) + noise(rng);
        a.data()[2 * i] = float(l);
        a.data()[2 * i + 1] = float(r);
    }
    return a;
}

void save(QWidget* w, const QString& name)
{
    const QImage img = w->grab().toImage();
    ASSERT_TRUE(img.save(QDir(shotDir()).filePath(name))) << name.toStdString();
}

// The transport strip as the main window lays it out for a panel width W.
struct Strip : QWidget {
    explicit Strip(int width)
    {
        resize(width, 65);
        setAutoFillBackground(true);
        slider = new TNCTSliderB2(this);
        panel = new TNCTPlayButtonB2(this);
        amp1 = new TNCTAmpBar2(this);
        amp2 = new TNCTAmpBar2(this);
        time = new TNCTTimeDisplay2(this);
        slider->setGeometry(8, 8, width - 24, 15);
        panel->setGeometry(8, 27, width - 308, 27);
        amp1->setGeometry(8 + panel->width() + 7, 28, 153, 21);
        amp2->setGeometry(amp1->x(), 43, 153, 13);
        time->setGeometry(amp1->x() + 153 + 7, 24, 121, 33);
    }
    TNCTSliderB2* slider;
    TNCTPlayButtonB2* panel;
    TNCTAmpBar2* amp1;
    TNCTAmpBar2* amp2;
    TNCTTimeDisplay2* time;
};

}  // namespace

TEST(Screenshots, TransportStripAndEqualizer)
{
    if (shotDir().isEmpty())
        GTEST_SKIP() << "set TAVRIN_SHOT_DIR to write pictures";
    app();
    for (int width : {560, 900}) {
        Strip s(width);
        s.show();
        s.slider->setValue(370);
        s.panel->SetStatePlay();
        s.panel->SetVolume(40000);
        s.amp1->setValue(20000);
        s.amp2->setValue(32767);
        s.amp2->setValue(9000);
        s.time->setMilliseconds(3725000);
        save(&s, QStringLiteral("strip_%1_play.png").arg(width));
        s.panel->SetStateRecord();
        s.panel->setMute(true);
        s.amp1->setValue(600);
        s.amp2->setValue(300);
        s.slider->setEnabled(false);
        save(&s, QStringLiteral("strip_%1_record.png").arg(width));
        s.panel->SetStatePause();
        s.setEnabled(false);
        save(&s, QStringLiteral("strip_%1_disabled.png").arg(width));
    }
    TNCTEqualizer2 eq;
    eq.resize(340, 118);
    eq.show();
    const float gains[12] = {6, 4.5, 2, 0, -2, -3.5, -1, 0, 2.5, 5, 8, 12};
    for (int n = 1; n <= 12; ++n)
        eq.setBand(n, gains[n - 1]);
    save(&eq, QStringLiteral("equalizer.png"));
}

TEST(Screenshots, SignalPictureStyles)
{
    if (shotDir().isEmpty())
        GTEST_SKIP() << "set TAVRIN_SHOT_DIR to write pictures";
    app();
    TAudioVisualization2 v;
    v.resize(365, 250);
    v.show();
    for (int vis = 0; vis <= 5; ++vis) {
        v.setVisType(vis);
        v.setWindowFFTType(vis == 0 ? 0 : 3);
        v.ShowArray(SampleArray());
        for (int tick = 0; tick < 160; ++tick) {
            v.ShowArray(music(2 * v.WindowArraySize(), tick));
            render(&v);   // a frame drawn per tick, as the program's ticks are far apart
        }
        save(&v, QStringLiteral("vis_%1.png").arg(vis));
    }
    v.ShowArray(SampleArray());
    save(&v, QStringLiteral("vis_empty.png"));
}
