// The transport panel: a dark tape-deck strip with record, play, pause and stop keys on the
// left and the mute switch and the volume wedge on the right. The key of the current state is
// lit (record red, play green, pause amber). Keys only report; the host decides the state and
// shows it with SetState*.
#include "engine/controls/TNCTPlayButtonB2.h"

#include "engine/controls/DrawnAccessibility.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {

enum class Glyph { Record, Play, Pause, Stop, Speaker };

// One key of the deck, drawn by hand so the panel looks the same under every style.
class DeckKey : public QAbstractButton {
public:
    DeckKey(Glyph glyph, const QString& tip, QWidget* parent) : QAbstractButton(parent), glyph_(glyph)
    {
        setToolTip(tip);
        setAccessibleName(tip);
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
        setMinimumWidth(24);
        setMaximumWidth(40);
        setAttribute(Qt::WA_Hover);
    }
    QSize sizeHint() const override { return {32, 27}; }
    QSize minimumSizeHint() const override { return {24, 16}; }

    void setLit(const QColor& c)
    {
        if (lit_ == c)
            return;
        lit_ = c;
        // A screen reader hears which key is lit: the state of the deck.
        setAccessibleDescription(c.isValid() ? TNCTPlayButtonB2::tr("включено") : QString());
        update();
    }
    QColor lit() const { return lit_; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool on = isEnabled();
        const bool down = isDown();
        const bool hover = on && underMouse();
        const QRectF r = QRectF(rect()).adjusted(0.5, 1.5, -0.5, -1.5);

        QColor top(74, 80, 88), bottom(46, 50, 56);
        if (lit_.isValid() && on) {
            top = lit_.lighter(125);
            bottom = lit_.darker(125);
        } else if (hover) {
            top = top.lighter(118);
            bottom = bottom.lighter(118);
        }
        if (down) {
            std::swap(top, bottom);
            top = top.darker(115);
        }
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        p.setPen(QPen(QColor(12, 14, 16), 1));
        p.setBrush(g);
        p.drawRoundedRect(r, 3, 3);
        // Top highlight line for a raised look.
        p.setPen(QPen(QColor(255, 255, 255, down ? 10 : 40), 1));
        p.drawLine(QPointF(r.left() + 3, r.top() + 1), QPointF(r.right() - 3, r.top() + 1));
        if (hasFocus()) {
            p.setPen(QPen(QColor(120, 180, 255), 1));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), 2, 2);
        }

        const qreal s = std::min(r.width() - 8, r.height() - 8);  // glyph box
        const QPointF c = r.center() + QPointF(down ? 0.5 : 0, down ? 0.5 : 0);
        QColor ink = lit_.isValid() && on ? QColor(255, 255, 255) : QColor(220, 226, 232);
        if (!on)
            ink = QColor(110, 114, 120);
        drawGlyph(p, c, s, ink, on);
    }

    void drawGlyph(QPainter& p, QPointF c, qreal s, const QColor& ink, bool on)
    {
        p.setPen(Qt::NoPen);
        switch (glyph_) {
        case Glyph::Record: {
            QColor dot = lit_.isValid() && on ? QColor(255, 255, 255) : QColor(232, 62, 52);
            if (!on)
                dot = QColor(120, 80, 78);
            p.setBrush(dot);
            const qreal rad = s * 0.34;
            p.drawEllipse(c, rad, rad);
            break;
        }
        case Glyph::Play: {
            const qreal h = s * 0.72, w = h * 0.85;
            QPainterPath tri;
            tri.moveTo(c.x() - w * 0.4, c.y() - h / 2);
            tri.lineTo(c.x() + w * 0.6, c.y());
            tri.lineTo(c.x() - w * 0.4, c.y() + h / 2);
            tri.closeSubpath();
            p.setBrush(ink);
            p.drawPath(tri);
            break;
        }
        case Glyph::Pause: {
            const qreal h = s * 0.66, w = std::max<qreal>(2.0, s * 0.2);
            p.setBrush(ink);
            p.drawRect(QRectF(c.x() - w * 1.25, c.y() - h / 2, w, h));
            p.drawRect(QRectF(c.x() + w * 0.25, c.y() - h / 2, w, h));
            break;
        }
        case Glyph::Stop: {
            const qreal e = s * 0.6;
            p.setBrush(ink);
            p.drawRect(QRectF(c.x() - e / 2, c.y() - e / 2, e, e));
            break;
        }
        case Glyph::Speaker: {
            const qreal h = s * 0.7;
            const qreal x0 = c.x() - h * 0.55;
            QPainterPath sp;
            sp.moveTo(x0, c.y() - h * 0.17);
            sp.lineTo(x0 + h * 0.22, c.y() - h * 0.17);
            sp.lineTo(x0 + h * 0.5, c.y() - h * 0.45);
            sp.lineTo(x0 + h * 0.5, c.y() + h * 0.45);
            sp.lineTo(x0 + h * 0.22, c.y() + h * 0.17);
            sp.lineTo(x0, c.y() + h * 0.17);
            sp.closeSubpath();
            p.setBrush(ink);
            p.drawPath(sp);
            p.setBrush(Qt::NoBrush);
            const qreal wx = x0 + h * 0.68;
            if (isChecked()) {  // muted: a cross instead of the sound waves
                p.setPen(QPen(ink, std::max<qreal>(1.4, h * 0.11), Qt::SolidLine, Qt::RoundCap));
                const qreal e = h * 0.2;
                p.drawLine(QPointF(wx, c.y() - e), QPointF(wx + 2 * e, c.y() + e));
                p.drawLine(QPointF(wx, c.y() + e), QPointF(wx + 2 * e, c.y() - e));
            } else {
                p.setPen(QPen(ink, std::max<qreal>(1.2, h * 0.08), Qt::SolidLine, Qt::RoundCap));
                for (int i = 1; i <= 2; ++i) {
                    const qreal rad = h * 0.2 * i;
                    p.drawArc(QRectF(wx - rad, c.y() - rad, 2 * rad, 2 * rad), -50 * 16, 100 * 16);
                }
            }
            break;
        }
        }
    }

private:
    Glyph glyph_;
    QColor lit_;
};

// The volume control: a wedge that fills from the left, 0..65535.
class VolumeWedge : public QWidget, public AccessibleValue {
public:
    VolumeWedge(TNCTPlayButtonB2* owner, QWidget* parent) : QWidget(parent), owner_(owner)
    {
        setToolTip(TNCTPlayButtonB2::tr("Громкость"));
        setAccessibleName(TNCTPlayButtonB2::tr("Громкость"));
        setFocusPolicy(Qt::StrongFocus);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        setMinimumWidth(40);
        setMaximumWidth(200);
        setAttribute(Qt::WA_Hover);
    }
    QSize sizeHint() const override { return {110, 27}; }
    QSize minimumSizeHint() const override { return {40, 12}; }

    int value() const { return value_; }

    QAccessible::Role accessibleRole() const override { return QAccessible::Slider; }
    QVariant accessibleValue() const override { return value_; }
    QVariant accessibleMinimum() const override { return 0; }
    QVariant accessibleMaximum() const override { return 65535; }
    QVariant accessibleStep() const override { return 1311; }
    QString accessibleValueText() const override
    {
        return TNCTPlayButtonB2::tr("%1 %").arg(std::lround(value_ * 100.0 / 65535));
    }
    void setAccessibleValue(const QVariant& value) override { setFromUser(value.toInt()); }

    void setValueQuiet(int v)
    {
        v = std::clamp(v, 0, 65535);
        if (v != value_) {
            value_ = v;
            update();
        }
    }
    void setFromUser(int v)
    {
        v = std::clamp(v, 0, 65535);
        if (v == value_)
            return;
        value_ = v;
        update();
        NotifyAccessibleValue(this, v);
        emit owner_->OnChangeVolume(v);
    }

protected:
    QRectF wedgeRect() const { return QRectF(rect()).adjusted(5, 6, -5, -6); }
    int valueAt(qreal x) const
    {
        const QRectF w = wedgeRect();
        return static_cast<int>(std::lround(std::clamp((x - w.left()) / w.width(), 0.0, 1.0) * 65535));
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool on = isEnabled();
        const QRectF w = wedgeRect();
        QPolygonF wedge;
        wedge << QPointF(w.left(), w.bottom()) << QPointF(w.right(), w.top()) << QPointF(w.right(), w.bottom());
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(22, 24, 27));
        p.drawPolygon(wedge);

        const qreal frac = value_ / 65535.0;
        if (frac > 0) {
            const qreal xr = w.left() + frac * w.width();
            QPolygonF fill;
            fill << QPointF(w.left(), w.bottom()) << QPointF(xr, w.bottom() - frac * w.height())
                 << QPointF(xr, w.bottom());
            QLinearGradient g(w.topLeft(), w.topRight());
            if (on) {
                g.setColorAt(0, QColor(40, 150, 90));
                g.setColorAt(0.7, QColor(120, 210, 90));
                g.setColorAt(1, QColor(240, 200, 60));
            } else {
                g.setColorAt(0, QColor(80, 84, 90));
                g.setColorAt(1, QColor(110, 114, 120));
            }
            p.setBrush(g);
            p.drawPolygon(fill);
        }
        p.setPen(QPen(QColor(110, 116, 124), 1));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(wedge);

        // The handle: a small upright key at the current volume.
        const qreal hx = w.left() + frac * w.width();
        QRectF handle(hx - 3, rect().top() + 3, 6, height() - 6);
        QLinearGradient hg(handle.topLeft(), handle.bottomLeft());
        QColor face = on ? QColor(210, 214, 220) : QColor(120, 124, 130);
        if (on && (dragging_ || underMouse()))
            face = face.lighter(110);
        hg.setColorAt(0, face);
        hg.setColorAt(1, face.darker(130));
        p.setPen(QPen(hasFocus() ? QColor(120, 180, 255) : QColor(12, 14, 16), 1));
        p.setBrush(hg);
        p.drawRoundedRect(handle, 1.5, 1.5);
    }

    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() != Qt::LeftButton)
            return;
        dragging_ = true;
        setFromUser(valueAt(e->position().x()));
        update();
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (dragging_)
            setFromUser(valueAt(e->position().x()));
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton && dragging_) {
            dragging_ = false;
            update();
        }
    }
    void wheelEvent(QWheelEvent* e) override
    {
        const int steps = e->angleDelta().y() / 120;
        if (steps != 0)
            setFromUser(value_ + steps * 3277);  // 5 % a notch
        e->accept();
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        switch (e->key()) {
        case Qt::Key_Left: case Qt::Key_Down: setFromUser(value_ - 1311); break;    // 2 %
        case Qt::Key_Right: case Qt::Key_Up: setFromUser(value_ + 1311); break;
        case Qt::Key_PageDown: setFromUser(value_ - 6554); break;                   // 10 %
        case Qt::Key_PageUp: setFromUser(value_ + 6554); break;
        case Qt::Key_Home: setFromUser(0); break;
        case Qt::Key_End: setFromUser(65535); break;
        default: QWidget::keyPressEvent(e);
        }
    }

private:
    TNCTPlayButtonB2* owner_;
    int value_ = 65535;
    bool dragging_ = false;
};

// The panel's face: the dark strip behind the keys.
class DeckFace : public QWidget {
public:
    explicit DeckFace(QWidget* parent) : QWidget(parent) { setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored); }
    QSize sizeHint() const override { return {252, 27}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, QColor(40, 44, 49));
        g.setColorAt(1, QColor(24, 26, 30));
        p.setPen(QPen(QColor(8, 9, 10), 1));
        p.setBrush(g);
        p.drawRoundedRect(r, 4, 4);
    }
};

}  // namespace

struct TNCTPlayButtonB2::Impl {
    int state = 0;
    DeckKey* record = nullptr;
    DeckKey* play = nullptr;
    DeckKey* pause = nullptr;
    DeckKey* stop = nullptr;
    DeckKey* mute = nullptr;
    VolumeWedge* volume = nullptr;

    void showState()
    {
        record->setLit(state == 3 ? QColor(214, 40, 40) : QColor());
        play->setLit(state == 1 ? QColor(46, 160, 67) : QColor());
        pause->setLit(state == 2 ? QColor(230, 160, 20) : QColor());
        stop->setLit(QColor());
    }
};

TNCTPlayButtonB2::TNCTPlayButtonB2(QWidget* parent) : QWidget(parent), d(new Impl)
{
    InstallDrawnControlAccessibility();
    auto* face = new DeckFace(this);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(face);

    d->record = new DeckKey(Glyph::Record, tr("Запись"), face);
    d->play = new DeckKey(Glyph::Play, tr("Воспроизведение"), face);
    d->pause = new DeckKey(Glyph::Pause, tr("Пауза"), face);
    d->stop = new DeckKey(Glyph::Stop, tr("Стоп"), face);
    d->mute = new DeckKey(Glyph::Speaker, tr("Тихо"), face);
    d->mute->setCheckable(true);
    d->volume = new VolumeWedge(this, face);

    auto* row = new QHBoxLayout(face);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(2);
    row->addWidget(d->record, 1);
    row->addWidget(d->play, 1);
    row->addWidget(d->pause, 1);
    row->addWidget(d->stop, 1);
    row->addSpacing(4);
    row->addStretch(0);
    row->addWidget(d->mute, 1);
    row->addWidget(d->volume, 4);

    connect(d->play, &QAbstractButton::clicked, this, [this] { emit OnMouseClick(1); });
    connect(d->pause, &QAbstractButton::clicked, this, [this] { emit OnMouseClick(2); });
    connect(d->stop, &QAbstractButton::clicked, this, [this] { emit OnMouseClick(3); });
    connect(d->record, &QAbstractButton::clicked, this, [this] { emit OnMouseClick(4); });
    connect(d->mute, &QAbstractButton::clicked, this, [this] { emit OnMouseClick(7); });

    d->showState();
    resize(252, 27);
}

TNCTPlayButtonB2::~TNCTPlayButtonB2() { delete d; }

void TNCTPlayButtonB2::SetStateRecord() { d->state = 3; d->showState(); }
void TNCTPlayButtonB2::SetStatePlay() { d->state = 1; d->showState(); }
void TNCTPlayButtonB2::SetStatePause() { d->state = 2; d->showState(); }
void TNCTPlayButtonB2::SetStateStop() { d->state = 0; d->showState(); }

void TNCTPlayButtonB2::SetVolume(int Volume) { d->volume->setValueQuiet(Volume); }
int TNCTPlayButtonB2::Volume() const { return d->volume->value(); }

bool TNCTPlayButtonB2::Mute() const { return d->mute->isChecked(); }
void TNCTPlayButtonB2::setMute(bool on)
{
    const QSignalBlocker quiet(d->mute);
    d->mute->setChecked(on);
}

int TNCTPlayButtonB2::State() const { return d->state; }

void TNCTPlayButtonB2::click(int Button)
{
    switch (Button) {
    case 1: d->play->click(); break;
    case 2: d->pause->click(); break;
    case 3: d->stop->click(); break;
    case 4: d->record->click(); break;
    case 7: d->mute->click(); break;
    default: emit OnMouseClick(Button); break;  // no such key; reported as is
    }
}
