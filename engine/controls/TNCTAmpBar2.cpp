// A level meter for one channel: LED segments on a -60..0 dBFS scale (more room near the top),
// green, then amber from -12 dB, red from -3 dB; a peak mark that holds for 1.5 s and then
// sinks; a clip lamp at the right end lit for 3 s by a full-scale reading. A click on the meter
// clears the peak and the clip lamp.
//
// Layout by height: a meter 19 px high or more carries the dB labels in a 7 px band on top and
// paints only the labels and an 8 px bar, leaving what lies below transparent (so a second
// meter may overlap it there, as in the main window's transport strip). A lower meter is a bar
// with scale ticks under it. What is painted comes from a face drawn once, and a new reading
// repaints the segments that changed.
#include "engine/controls/TNCTAmpBar2.h"

#include "engine/controls/DrawnAccessibility.h"

#include "engine/controls/MeterBallistics.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
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

// What the meter shows at one moment; a paint is needed only when it changes.
struct Shown {
    int litUpTo = 0;    // segments lit from the left
    int peakSeg = -1;   // the peak mark's segment, -1 for none
    bool clip = false;
    bool operator==(const Shown&) const = default;
};

struct MeterState {
    int value = 0;
    double markDb = std::nan("");
    MeterBallistics ballistics;
    QElapsedTimer clock;
    QTimer* settle = nullptr;   // runs only when no tick came while something still moves
    MeterFace* face = nullptr;

    std::int64_t now() const { return clock.elapsed(); }
};

// Geometry of the bar for a size.
struct Geometry {
    bool labels = false;
    int labelH = 0, barH = 0, paintedH = 0;
    int x0 = 2, clipX = 0, segCount = 1, span = 0, barY = 0, barInner = 0;

    explicit Geometry(QSize size)
    {
        const int w = size.width(), h = size.height();
        labels = h >= 19;
        labelH = labels ? 7 : 0;
        barH = labels ? std::clamp(h - labelH - 6, 4, 8 + (h - 21)) : std::max(3, h - 5);
        paintedH = labels ? labelH + barH : h;
        clipX = w - 2 - kClipW;
        segCount = std::max(1, (clipX - 2 - x0 + 1) / kSegPitch);
        span = segCount * kSegPitch - 1;
        barY = labelH + 1;
        barInner = barH - 2;
    }
    int xOf(double db) const { return x0 + int(std::lround(MeterBallistics::scalePosition(db) * span)); }
    // The colour class of segment i decides its colour: the level at its right end.
    double segmentDb(int i) const
    {
        const double redFrom = MeterBallistics::scalePosition(-3) + 0.5 / segCount;
        const double amberFrom = MeterBallistics::scalePosition(-12) + 0.5 / segCount;
        const double pos = (i + 1.0) / segCount;
        return pos > redFrom ? 0.0 : pos > amberFrom ? -6.0 : -20.0;
    }
};

// The painted part of the meter (for a labelled meter, its top rows only), opaque: a paint
// never asks the widgets behind it for their background.
class MeterFace : public QWidget {
public:
    MeterFace(QWidget* owner, MeterState* d) : QWidget(owner), d_(d)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    // Brings the picture up to the ballistics at this moment; paints only what changed.
    void refresh()
    {
        const Shown now = shownAt(d_->now());
        if (now == shown_)
            return;
        if (!painted_) {
            update();
        } else {
            // The segments between the old and the new state, and the clip lamp if it changed.
            const Geometry g(meterSize());
            auto segX = [&](int seg) { return g.x0 + seg * kSegPitch; };
            int from = std::min({now.litUpTo, shown_.litUpTo, now.peakSeg < 0 ? g.segCount : now.peakSeg,
                                 shown_.peakSeg < 0 ? g.segCount : shown_.peakSeg});
            int to = std::max({now.litUpTo, shown_.litUpTo, now.peakSeg + 1, shown_.peakSeg + 1});
            if (to > from)
                update(QRect(segX(from), g.barY, (to - from) * kSegPitch, g.barInner));
            if (now.clip != shown_.clip)
                update(QRect(g.clipX, g.barY, kClipW, g.barInner));
        }
        shown_ = now;
    }

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton) {
            d_->ballistics.resetHolds();
            refresh();
        }
    }
    void resizeEvent(QResizeEvent* e) override
    {
        faces_ = QPixmap();
        painted_ = false;
        QWidget::resizeEvent(e);
    }
    void showEvent(QShowEvent* e) override
    {
        painted_ = false;   // readings went on unseen: draw the whole bar afresh
        QWidget::showEvent(e);
    }
    void changeEvent(QEvent* e) override
    {
        if (e->type() == QEvent::EnabledChange) {
            faces_ = QPixmap();
            painted_ = false;
            update();
        }
        QWidget::changeEvent(e);
    }

    void paintEvent(QPaintEvent*) override
    {
        const qreal dpr = devicePixelRatioF();
        if (faces_.isNull() || faces_.devicePixelRatioF() != dpr)
            drawFaces(dpr);
        if (!painted_)
            shown_ = shownAt(d_->now());   // else: the state refresh() marked the changes of
        const Geometry g(meterSize());
        const int w = meterSize().width();
        QPainter p(this);
        // The dark face with every segment unlit, then the lit part from the second face.
        p.drawPixmap(QPointF(0, 0), faces_, QRectF(0, 0, w * dpr, g.paintedH * dpr));
        if (shown_.litUpTo > 0) {
            const int litW = shown_.litUpTo * kSegPitch;
            p.drawPixmap(QRectF(g.x0, g.barY, litW, g.barInner), faces_,
                         QRectF(g.x0 * dpr, (g.paintedH + g.barY) * dpr, litW * dpr, g.barInner * dpr));
        }
        if (shown_.peakSeg >= shown_.litUpTo)
            p.fillRect(g.x0 + shown_.peakSeg * kSegPitch, g.barY, kSegPitch - 1, g.barInner,
                       segmentColor(g.segmentDb(shown_.peakSeg), true).lighter(115));
        if (shown_.clip) {
            p.fillRect(g.clipX, g.barY, kClipW, g.barInner, QColor(255, 40, 30));
            p.fillRect(g.clipX + 1, g.barY, kClipW - 2, 1, QColor(255, 170, 150));
        }
        if (!std::isnan(d_->markDb) && isEnabled())
            p.fillRect(std::min(g.xOf(d_->markDb), g.clipX - 2), g.barY - 1, 1, g.barInner + 2, QColor(120, 210, 255));
        painted_ = true;
    }

private:
    QSize meterSize() const { return parentWidget()->size(); }

    Shown shownAt(std::int64_t now) const
    {
        Shown s;
        if (!isEnabled())
            return s;
        const Geometry g(meterSize());
        const double level = d_->ballistics.barDb(now);
        const double peak = d_->ballistics.peakDb(now);
        s.litUpTo = level <= MeterBallistics::FloorDb
                        ? 0
                        : int(std::ceil(MeterBallistics::scalePosition(level) * g.segCount - 0.01));
        s.litUpTo = std::clamp(s.litUpTo, 0, g.segCount);
        s.peakSeg = peak <= MeterBallistics::FloorDb
                        ? -1
                        : std::clamp(int(std::ceil(MeterBallistics::scalePosition(peak) * g.segCount - 0.01)) - 1, 0,
                                     g.segCount - 1);
        s.clip = d_->ballistics.clipLit(now);
        return s;
    }

    // Two faces one above the other: the meter at rest (background, unlit segments, clip lamp
    // out, labels or ticks), and below it the bar with every segment lit.
    void drawFaces(qreal dpr)
    {
        const Geometry g(meterSize());
        const int w = meterSize().width(), h = meterSize().height();
        faces_ = QPixmap(QSize(w, g.paintedH + h) * dpr);
        faces_.setDevicePixelRatio(dpr);
        faces_.fill(Qt::transparent);
        QPainter p(&faces_);
        const bool on = isEnabled();
        p.fillRect(0, 0, w, g.paintedH, QColor(12, 13, 14));
        for (int i = 0; i < g.segCount; ++i) {
            const QColor unlit = on ? segmentColor(g.segmentDb(i), false) : QColor(34, 36, 38);
            p.fillRect(g.x0 + i * kSegPitch, g.barY, kSegPitch - 1, g.barInner, unlit);
            if (on)
                p.fillRect(g.x0 + i * kSegPitch, g.paintedH + g.barY, kSegPitch - 1, g.barInner,
                           segmentColor(g.segmentDb(i), true));
        }
        p.fillRect(g.clipX, g.barY, kClipW, g.barInner, QColor(58, 14, 12));

        const QColor ink = on ? QColor(170, 176, 182) : QColor(90, 94, 98);
        if (g.labels) {
            for (double db : kLabels) {
                const QString text = QString::number(int(-db));
                const int cx = g.xOf(db);
                int x = cx - tinyWidth(text) / 2;
                x = std::clamp(x, 1, g.clipX - 1 - tinyWidth(text));
                drawTiny(p, x, 1, text, ink);
            }
        } else {
            // Ticks below the bar.
            const int tickY = g.barY + g.barInner + 1;
            const int tickLen = std::max(1, std::min(3, h - tickY - 1));
            for (double db : kTicks) {
                const int x = std::min(g.xOf(db), g.clipX - 2);
                p.fillRect(x, tickY, 1, tickLen, db >= -3 ? QColor(200, 80, 70) : ink);
            }
        }
    }

    MeterState* d_;
    QPixmap faces_;
    Shown shown_;
    bool painted_ = false;
};

}  // namespace

struct TNCTAmpBar2::Impl : MeterState {};

TNCTAmpBar2::TNCTAmpBar2(QWidget* parent) : QWidget(parent), d(new Impl)
{
    InstallDrawnControlAccessibility();
    setAccessibleName(tr("Уровень"));
    d->clock.start();
    d->face = new MeterFace(this, d);
    // The ballistics move on with the readings (the host's tick). Only when the readings stop
    // while the bar or a mark still moves does the meter wake itself, at the same pace.
    d->settle = new QTimer(this);
    d->settle->setSingleShot(true);
    d->settle->setInterval(SettleIntervalMs);
    connect(d->settle, &QTimer::timeout, this, [this] {
        d->face->refresh();
        if (!d->ballistics.settled(d->now()) && d->face->isVisible())
            d->settle->start();
    });
    resize(153, 13);
}

TNCTAmpBar2::~TNCTAmpBar2() { delete d; }

QSize TNCTAmpBar2::sizeHint() const { return {153, 13}; }

void TNCTAmpBar2::resizeEvent(QResizeEvent* event)
{
    d->face->setGeometry(0, 0, width(), Geometry(size()).paintedH);
    QWidget::resizeEvent(event);
}

int TNCTAmpBar2::Value() const { return d->value; }

double TNCTAmpBar2::MarkDb() const { return d->markDb; }

void TNCTAmpBar2::setMarkDb(double db)
{
    if (std::isnan(db) && std::isnan(d->markDb))
        return;
    if (db == d->markDb)
        return;
    d->markDb = db;
    d->face->update();
}

void TNCTAmpBar2::setValue(int value)
{
    d->value = d->ballistics.feed(value, d->now());
    d->face->refresh();
    if (!d->ballistics.settled(d->now()) && d->face->isVisible())
        d->settle->start();   // (re)started: it fires only if no further reading comes
    else
        d->settle->stop();
}
