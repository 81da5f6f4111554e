// The equaliser: twelve vertical band sliders (-15..15 dB) on a dark face, a dB scale on the
// left, the band centre frequencies below and the response drawn as a line through the knobs.
// Mouse: drag a knob, click a track to move its knob there, double-click a band to reset it to
// 0 dB, wheel over a band. Keys: Left/Right choose a band, Up/Down 0.5 dB, Page keys 3 dB, Home
// sets 0 dB.
#include "engine/controls/TNCTEqualizer2.h"

#include "engine/controls/DrawnAccessibility.h"

#include "engine/dsp/PlaybackEqualizer.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kBands = TNCTEqualizer2::BandCount;
constexpr float kMin = -15.0f, kMax = 15.0f;

// Band centres used until the playback equaliser reports its own.
constexpr float kDefaultCentres[kBands] = {31, 63, 125, 250, 500, 1000, 2000, 4000, 8000, 12000, 16000, 20000};

float centreOf(int n)  // n = 1..12
{
    const float f = PlaybackEqualizer::bandFrequency(n - 1);
    return f > 0 ? f : kDefaultCentres[n - 1];
}

float snap(float v) { return std::round(std::clamp(v, kMin, kMax) * 2.0f) / 2.0f; }

class EqFace;

struct EqState {
    std::array<float, kBands> bands{};
    EqFace* face = nullptr;
};

class EqFace : public QWidget, public AccessibleValue {
public:
    EqFace(TNCTEqualizer2* owner, EqState* d) : QWidget(owner), owner_(owner), d_(d)
    {
        setFocusPolicy(Qt::StrongFocus);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        setMouseTracking(true);
        setAttribute(Qt::WA_Hover);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    QSize sizeHint() const override { return {340, 118}; }

    // Geometry.
    int scaleW() const { return std::clamp(width() / 12, 20, 30); }
    int labelH() const { return 14; }
    qreal colW() const { return (width() - scaleW() - 4.0) / kBands; }
    qreal colX(int i) const { return scaleW() + colW() * (i + 0.5); }  // i = 0..11, centre
    qreal trackTop() const { return 9; }
    qreal trackBottom() const { return std::max<qreal>(trackTop() + 10, height() - labelH() - 8); }
    qreal yOf(float v) const { return trackTop() + (kMax - v) / (kMax - kMin) * (trackBottom() - trackTop()); }
    float valueAt(qreal y) const
    {
        return kMax - float((y - trackTop()) / (trackBottom() - trackTop())) * (kMax - kMin);
    }
    int bandAt(qreal x) const
    {
        if (x < scaleW())
            return -1;
        return std::clamp(int((x - scaleW()) / colW()), 0, kBands - 1);
    }

    // A user move; the mouse and keys report only real changes, userSetBand always reports.
    void userSet(int i, float v, bool always = false)
    {
        v = std::clamp(v, kMin, kMax);
        if (v == d_->bands[i] && !always)
            return;
        d_->bands[i] = v;
        update();
        if (i == focusBand_)
            NotifyAccessibleValue(this, double(v));
        emit owner_->OnValueChange(i + 1);
    }

    // For a screen reader: the band that has the keyboard, told with its frequency.
    QAccessible::Role accessibleRole() const override { return QAccessible::Slider; }
    QVariant accessibleValue() const override { return double(d_->bands[focusBand_]); }
    QVariant accessibleMinimum() const override { return double(kMin); }
    QVariant accessibleMaximum() const override { return double(kMax); }
    QVariant accessibleStep() const override { return 0.5; }
    QString accessibleValueText() const override { return bandText(focusBand_); }
    void setAccessibleValue(const QVariant& value) override { userSet(focusBand_, snap(value.toFloat())); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool on = isEnabled();
        const QRectF all = QRectF(rect());
        QLinearGradient bg(all.topLeft(), all.bottomLeft());
        bg.setColorAt(0, QColor(36, 40, 45));
        bg.setColorAt(1, QColor(20, 22, 25));
        p.fillRect(all, bg);
        p.setPen(QPen(QColor(8, 9, 10), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(all.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);

        QFont f = font();
        f.setPixelSize(9);
        p.setFont(f);
        const QColor ink = on ? QColor(176, 184, 192) : QColor(96, 100, 106);

        // Scale and guide lines at +15, +10, ..., -15 dB; 0 dB stronger.
        for (int db = 15; db >= -15; db -= 5) {
            const qreal y = std::round(yOf(float(db))) + 0.5;
            p.setPen(QPen(db == 0 ? QColor(255, 255, 255, 70) : QColor(255, 255, 255, 22), 1));
            p.drawLine(QPointF(scaleW() - 2, y), QPointF(width() - 4, y));
            if (db % 15 == 0 || (height() > 150 && db % 5 == 0)) {
                p.setPen(ink);
                const QString t = db > 0 ? QStringLiteral("+%1").arg(db) : QString::number(db);
                p.drawText(QRectF(0, y - 6, scaleW() - 4, 12), Qt::AlignRight | Qt::AlignVCenter, t);
            }
        }
        p.setPen(ink);
        p.drawText(QRectF(0, height() - labelH() - 2, scaleW() - 2, labelH()), Qt::AlignRight | Qt::AlignVCenter,
                   TNCTEqualizer2::tr("Гц"));

        // Tracks.
        for (int i = 0; i < kBands; ++i) {
            const qreal x = colX(i);
            QRectF track(x - 2, trackTop() - 2, 4, trackBottom() - trackTop() + 4);
            p.setPen(QPen(QColor(0, 0, 0), 1));
            p.setBrush(QColor(8, 9, 10));
            p.drawRoundedRect(track, 2, 2);
            // The part between 0 dB and the knob, lit.
            const qreal y0 = yOf(0), y1 = yOf(d_->bands[i]);
            if (on && std::abs(y1 - y0) >= 1) {
                p.setPen(Qt::NoPen);
                p.setBrush(d_->bands[i] > 0 ? QColor(90, 200, 140) : QColor(80, 150, 230));
                p.drawRect(QRectF(x - 1, std::min(y0, y1), 2, std::abs(y1 - y0)));
            }
        }

        // The response line through the knobs.
        QPainterPath curve;
        for (int i = 0; i < kBands; ++i) {
            const QPointF pt(colX(i), yOf(d_->bands[i]));
            if (i == 0)
                curve.moveTo(pt);
            else {
                const QPointF prev(colX(i - 1), yOf(d_->bands[i - 1]));
                const qreal mx = (prev.x() + pt.x()) / 2;
                curve.cubicTo(QPointF(mx, prev.y()), QPointF(mx, pt.y()), pt);
            }
        }
        p.setPen(QPen(on ? QColor(255, 200, 80, 150) : QColor(120, 120, 120, 90), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(curve);

        // Knobs and labels.
        const qreal knobW = std::clamp(colW() - 8, 10.0, 18.0), knobH = 7;
        for (int i = 0; i < kBands; ++i) {
            const qreal x = colX(i), y = yOf(d_->bands[i]);
            QRectF knob(x - knobW / 2, y - knobH / 2, knobW, knobH);
            QColor face = on ? QColor(214, 218, 224) : QColor(110, 114, 120);
            if (on && (i == dragBand_ || i == hoverBand_))
                face = face.lighter(110);
            QLinearGradient kg(knob.topLeft(), knob.bottomLeft());
            kg.setColorAt(0, face);
            kg.setColorAt(1, face.darker(135));
            const bool focused = hasFocus() && i == focusBand_;
            p.setPen(QPen(focused ? QColor(120, 180, 255) : QColor(10, 11, 12), focused ? 1.5 : 1));
            p.setBrush(kg);
            p.drawRoundedRect(knob, 2, 2);
            p.setPen(QPen(QColor(40, 44, 48), 1));
            p.drawLine(QPointF(knob.left() + 2, y + 0.5), QPointF(knob.right() - 2, y + 0.5));

            p.setPen(ink);
            p.drawText(QRectF(x - colW() / 2 - 2, height() - labelH() - 2, colW() + 4, labelH()), Qt::AlignCenter,
                       TNCTEqualizer2::bandLabel(i + 1));
        }
    }

    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() != Qt::LeftButton)
            return;
        const int i = bandAt(e->position().x());
        if (i < 0)
            return;
        dragBand_ = focusBand_ = i;
        const qreal knobY = yOf(d_->bands[i]);
        // On the knob: drag it from where it was caught; elsewhere on the track: jump there.
        grabOffset_ = std::abs(e->position().y() - knobY) <= 5 ? e->position().y() - knobY : 0.0;
        userSet(i, snap(valueAt(e->position().y() - grabOffset_)));
        showValueTip(e->globalPosition().toPoint(), i);
        update();
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (dragBand_ >= 0) {
            userSet(dragBand_, snap(valueAt(e->position().y() - grabOffset_)));
            showValueTip(e->globalPosition().toPoint(), dragBand_);
            return;
        }
        const int h = bandAt(e->position().x());
        if (h != hoverBand_) {
            hoverBand_ = h;
            update();
        }
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton && dragBand_ >= 0) {
            dragBand_ = -1;
            update();
        }
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        const int i = bandAt(e->position().x());
        if (e->button() == Qt::LeftButton && i >= 0)
            userSet(i, 0.0f);
    }
    void leaveEvent(QEvent*) override
    {
        hoverBand_ = -1;
        update();
    }
    void wheelEvent(QWheelEvent* e) override
    {
        const int i = bandAt(e->position().x());
        const int steps = e->angleDelta().y() / 120;
        if (i >= 0 && steps != 0) {
            focusBand_ = i;
            userSet(i, snap(d_->bands[i] + 0.5f * steps));
        }
        e->accept();
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        float& v = d_->bands[focusBand_];
        switch (e->key()) {
        case Qt::Key_Left: chooseBand(focusBand_ - 1); break;
        case Qt::Key_Right: chooseBand(focusBand_ + 1); break;
        case Qt::Key_Up: userSet(focusBand_, snap(v + 0.5f)); break;
        case Qt::Key_Down: userSet(focusBand_, snap(v - 0.5f)); break;
        case Qt::Key_PageUp: userSet(focusBand_, snap(v + 3.0f)); break;
        case Qt::Key_PageDown: userSet(focusBand_, snap(v - 3.0f)); break;
        case Qt::Key_Home: userSet(focusBand_, 0.0f); break;
        default: QWidget::keyPressEvent(e);
        }
    }

private:
    // "1k: +3.0 дБ"
    QString bandText(int i) const
    {
        const float v = d_->bands[i];
        return TNCTEqualizer2::tr("%1: %2%3 дБ")
            .arg(TNCTEqualizer2::bandLabel(i + 1))
            .arg(v > 0 ? QStringLiteral("+") : QString())
            .arg(double(v), 0, 'f', 1);
    }
    void showValueTip(const QPoint& at, int i) { QToolTip::showText(at, bandText(i), this); }
    void chooseBand(int i)
    {
        focusBand_ = std::clamp(i, 0, kBands - 1);
        update();
        NotifyAccessibleValue(this, double(d_->bands[focusBand_]));
    }

    TNCTEqualizer2* owner_;
    EqState* d_;
    int dragBand_ = -1;
    int hoverBand_ = -1;
    int focusBand_ = 0;
    qreal grabOffset_ = 0;
};

}  // namespace

struct TNCTEqualizer2::Impl : EqState {};

TNCTEqualizer2::TNCTEqualizer2(QWidget* parent) : QWidget(parent), d(new Impl)
{
    InstallDrawnControlAccessibility();
    setAccessibleName(tr("Эквалайзер"));
    d->face = new EqFace(this, d);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(d->face);
    setFocusProxy(d->face);
    resize(340, 118);
}

TNCTEqualizer2::~TNCTEqualizer2() { delete d; }

float TNCTEqualizer2::Band(int n) const
{
    if (n < 1 || n > BandCount)
        return 0.0f;
    return d->bands[n - 1];
}

void TNCTEqualizer2::setBand(int n, float value)
{
    if (n < 1 || n > BandCount || std::isnan(value))
        return;
    d->bands[n - 1] = std::clamp(value, Min(), Max());
    d->face->update();
}

void TNCTEqualizer2::userSetBand(int n, float value)
{
    if (n < 1 || n > BandCount || std::isnan(value))
        return;
    d->face->userSet(n - 1, value, true);
}

QString TNCTEqualizer2::bandLabel(int n)
{
    if (n < 1 || n > BandCount)
        return {};
    const float f = centreOf(n);
    if (f >= 1000.0f) {
        const float k = f / 1000.0f;
        return std::abs(k - std::round(k)) < 0.05f ? QStringLiteral("%1k").arg(int(std::round(k)))
                                                   : QStringLiteral("%1k").arg(double(k), 0, 'f', 1);
    }
    return QString::number(int(std::lround(f)));
}
