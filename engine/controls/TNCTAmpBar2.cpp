// A level meter for one channel: LED segments on a -60..0 dBFS scale (more room near the top),
// green, then amber from -12 dB, red from -3 dB; a peak mark that holds for 1.5 s and then
// sinks; a clip lamp at the right end lit for 3 s by a full-scale reading. A click on the meter
// clears the peak and the clip lamp.
//
// Layout by height: a meter 19 px high or more carries the dB labels in a 7 px band on top and
// paints only the labels and an 8 px bar, leaving what lies below transparent (so a second
// meter may overlap it there, as in the main window's transport strip). A lower meter is a bar
// with scale ticks under it.
#include "engine/controls/TNCTAmpBar2.h"

#include "engine/controls/MeterBallistics.h"

#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {

// Digits of a 3 x 5 pixel font: five rows of three bits, top row first, bit 2 = left column.
constexpr unsigned char kTinyDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 3, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

int tinyWidth(const QString& s) { return s.isEmpty() ? 0 : int(s.size()) * 4 - 1; }

void drawTiny(QPainter& p, int x, int y, const QString& s, const QColor& c)
{
    for (QChar ch : s) {
        if (ch.isDigit()) {
            const auto& rows = kTinyDigits[ch.unicode() - '0'];
            for (int r = 0; r < 5; ++r)
                for (int col = 0; col < 3; ++col)
                    if (rows[r] & (4 >> col))
                        p.fillRect(x + col, y + r, 1, 1, c);
        }
        x += 4;
    }
}

constexpr double kLabels[] = {-40, -30, -20, -10, -6, -3, 0};
constexpr double kTicks[] = {-50, -40, -30, -20, -10, -6, -3, 0};
constexpr int kSegPitch = 3;  // 2 lit pixels and a gap
constexpr int kClipW = 6;

QColor segmentColor(double db, bool lit)
{
    QColor c = db >= -3 ? QColor(255, 60, 40) : db >= -12 ? QColor(255, 196, 40) : QColor(60, 220, 90);
    return lit ? c : QColor(c.red() / 6 + 8, c.green() / 6 + 8, c.blue() / 6 + 8);
}

class MeterFace;

struct MeterState {
    int value = 0;
    MeterBallistics ballistics;
    QElapsedTimer clock;
    QTimer* animation = nullptr;  // runs only while something shown is still moving
    MeterFace* face = nullptr;

    std::int64_t now() const { return clock.elapsed(); }
};

class MeterFace : public QWidget {
public:
    MeterFace(QWidget* owner, MeterState* d) : QWidget(owner), d_(d)
    {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    }
    QSize sizeHint() const override { return {153, 13}; }

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton) {
            d_->ballistics.resetHolds();
            update();
        }
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const int w = width(), h = height();
        const bool labels = h >= 19;
        const int labelH = labels ? 7 : 0;
        const int barH = labels ? std::clamp(h - labelH - 6, 4, 8 + (h - 21)) : std::max(3, h - 5);
        const int paintedH = labels ? labelH + barH : h;
        const QColor bg(12, 13, 14);
        p.fillRect(0, 0, w, paintedH, bg);

        const std::int64_t now = d_->now();
        const bool on = isEnabled();
        // Bar geometry: segments from x0 over segW pixels, clip lamp at the right end.
        const int x0 = 2;
        const int clipX = w - 2 - kClipW;
        const int segCount = std::max(1, (clipX - 2 - x0 + 1) / kSegPitch);
        const int span = segCount * kSegPitch - 1;
        const int barY = labelH + 1, barInner = barH - 2;
        auto xOf = [&](double db) { return x0 + int(std::lround(MeterBallistics::scalePosition(db) * span)); };

        // Segments: lit up to the bar, the peak segment bright.
        const double level = on ? d_->ballistics.barDb(now) : -1000;
        const double peak = on ? d_->ballistics.peakDb(now) : -1000;
        const int litUpTo = level <= MeterBallistics::FloorDb ? 0
                                                              : int(std::ceil(MeterBallistics::scalePosition(level) * segCount - 0.01));
        const int peakSeg = peak <= MeterBallistics::FloorDb ? -1
                                                             : std::clamp(int(std::ceil(MeterBallistics::scalePosition(peak) * segCount - 0.01)) - 1, 0, segCount - 1);
        const double redFrom = MeterBallistics::scalePosition(-3) + 0.5 / segCount;
        const double amberFrom = MeterBallistics::scalePosition(-12) + 0.5 / segCount;
        for (int i = 0; i < segCount; ++i) {
            // The level at the segment's right end decides its colour.
            const double pos = (i + 1.0) / segCount;
            const double db = pos > redFrom ? 0.0 : pos > amberFrom ? -6.0 : -20.0;
            const bool lit = i < litUpTo || i == peakSeg;
            QColor c = segmentColor(db, lit);
            if (i == peakSeg && i >= litUpTo)
                c = c.lighter(115);
            if (!on)
                c = QColor(34, 36, 38);
            p.fillRect(x0 + i * kSegPitch, barY, kSegPitch - 1, barInner, c);
        }

        // Clip lamp.
        const bool clip = on && d_->ballistics.clipLit(now);
        p.fillRect(clipX, barY, kClipW, barInner, clip ? QColor(255, 40, 30) : QColor(58, 14, 12));
        if (clip)
            p.fillRect(clipX + 1, barY, kClipW - 2, 1, QColor(255, 170, 150));

        const QColor ink = on ? QColor(170, 176, 182) : QColor(90, 94, 98);
        if (labels) {
            for (double db : kLabels) {
                const QString text = QString::number(int(-db));
                const int cx = xOf(db);
                int x = cx - tinyWidth(text) / 2;
                x = std::clamp(x, 1, clipX - 1 - tinyWidth(text));
                drawTiny(p, x, 1, text, ink);
            }
        } else {
            // Ticks below the bar.
            const int tickY = barY + barInner + 1;
            const int tickLen = std::max(1, std::min(3, h - tickY - 1));
            for (double db : kTicks) {
                const int x = std::min(xOf(db), clipX - 2);
                p.fillRect(x, tickY, 1, tickLen, db >= -3 ? QColor(200, 80, 70) : ink);
            }
        }
    }

private:
    MeterState* d_;
};

}  // namespace

struct TNCTAmpBar2::Impl : MeterState {};

TNCTAmpBar2::TNCTAmpBar2(QWidget* parent) : QWidget(parent), d(new Impl)
{
    d->clock.start();
    d->face = new MeterFace(this, d);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(d->face);
    d->animation = new QTimer(this);
    d->animation->setInterval(33);
    connect(d->animation, &QTimer::timeout, this, [this] {
        d->face->update();
        if (d->ballistics.settled(d->now()))
            d->animation->stop();
    });
    resize(153, 13);
}

TNCTAmpBar2::~TNCTAmpBar2() { delete d; }

int TNCTAmpBar2::Value() const { return d->value; }

void TNCTAmpBar2::setValue(int value)
{
    d->value = d->ballistics.feed(value, d->now());
    d->face->update();
    if (!d->ballistics.settled(d->now()) && !d->animation->isActive())
        d->animation->start();
}
