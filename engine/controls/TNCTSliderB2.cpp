// The position slider: a strip 0..1000 with the passed part lit and a thumb. The user drags the
// thumb, clicks anywhere on the strip to jump there, or uses the arrow, Page, Home and End keys;
// every such interaction is framed by OnMouseDown ... OnMouseUp so the host can treat the keys
// like a drag.
#include "engine/controls/TNCTSliderB2.h"

#include "engine/controls/DrawnAccessibility.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kThumbW = 11;

class SliderStrip;

struct SliderState {
    int value = 0;
    QColor stripColor;
    SliderStrip* strip = nullptr;
};

class SliderStrip : public QWidget, public AccessibleValue {
public:
    SliderStrip(TNCTSliderB2* owner, SliderState* d) : QWidget(owner), owner_(owner), d_(d)
    {
        setFocusPolicy(Qt::StrongFocus);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        setAttribute(Qt::WA_Hover);
    }
    QSize sizeHint() const override { return {200, 15}; }

    bool held() const { return mouseHeld_ || keyHeld_; }

    // For a screen reader: the position in tenths of a per cent, told as a percentage; a
    // value it sets is a move by the user, framed like a key press.
    QAccessible::Role accessibleRole() const override { return QAccessible::Slider; }
    QVariant accessibleValue() const override { return d_->value; }
    QVariant accessibleMinimum() const override { return 0; }
    QVariant accessibleMaximum() const override { return 1000; }
    QVariant accessibleStep() const override { return 10; }
    QString accessibleValueText() const override
    {
        return TNCTSliderB2::tr("%1 %").arg(d_->value / 10.0, 0, 'f', 1);
    }
    void setAccessibleValue(const QVariant& value) override
    {
        if (held())
            return;
        emit owner_->OnMouseDown();
        setFromUser(value.toInt());
        emit owner_->OnMouseUp();
    }

    // Repaints what a move of the value from `from` changes: the thumb's old and new places
    // and the lit strip between them (everything when the lit part appears or goes).
    void valueMoved(int from)
    {
        if (from == 0 || d_->value == 0) {
            update();
            return;
        }
        const qreal a = std::min(xOf(from), xOf(d_->value)), b = std::max(xOf(from), xOf(d_->value));
        const int pad = kThumbW / 2 + 3;
        update(QRect(int(std::floor(a)) - pad, 0, int(std::ceil(b - a)) + 2 * pad + 1, height()));
    }

protected:
    // Pixel range of the thumb centre.
    qreal left() const { return kThumbW / 2.0 + 1; }
    qreal right() const { return std::max(left() + 1, width() - kThumbW / 2.0 - 1); }
    qreal xOf(int v) const { return left() + (right() - left()) * v / 1000.0; }
    int valueAt(qreal x) const
    {
        return std::clamp(static_cast<int>(std::lround((x - left()) * 1000.0 / (right() - left()))), 0, 1000);
    }
    QRectF thumbRect() const
    {
        const qreal cx = xOf(d_->value);
        return QRectF(cx - kThumbW / 2.0, 1, kThumbW, std::max(3, height() - 2));
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool on = isEnabled();
        const QPalette& pal = palette();

        // The strip: a sunken groove in StripColor, the played part in the highlight colour.
        const qreal grooveH = std::clamp(height() * 0.36, 3.0, 7.0);
        const QRectF groove(1.5, (height() - grooveH) / 2, width() - 3, grooveH);
        const QColor strip = d_->stripColor.isValid() ? d_->stripColor : pal.color(QPalette::Button);
        p.setPen(QPen(pal.color(QPalette::Dark), 1));
        p.setBrush(on ? strip : strip.darker(108));
        p.drawRoundedRect(groove, 2, 2);
        if (d_->value > 0) {
            QRectF played = groove.adjusted(0.5, 0.5, -0.5, -0.5);
            played.setRight(xOf(d_->value));
            const QColor hi = on ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid);
            QLinearGradient g(played.topLeft(), played.bottomLeft());
            g.setColorAt(0, hi.lighter(125));
            g.setColorAt(1, hi);
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawRoundedRect(played, 1.5, 1.5);
        }
        // Inner shadow on the groove's upper edge.
        p.setPen(QPen(QColor(0, 0, 0, 40), 1));
        p.drawLine(QPointF(groove.left() + 2, groove.top() + 1), QPointF(groove.right() - 2, groove.top() + 1));

        // The thumb.
        const QRectF t = thumbRect().adjusted(0.5, 0.5, -0.5, -0.5);
        QColor face = pal.color(QPalette::Button);
        if (!on)
            face = face.darker(105);
        else if (mouseHeld_)
            face = face.darker(115);
        else if (underMouse())
            face = face.lighter(108);
        QLinearGradient tg(t.topLeft(), t.bottomLeft());
        tg.setColorAt(0, face.lighter(112));
        tg.setColorAt(1, face.darker(110));
        const QColor border = hasFocus() && on ? pal.color(QPalette::Highlight).darker(120) : pal.color(QPalette::Shadow);
        p.setPen(QPen(on ? border : pal.color(QPalette::Mid), 1));
        p.setBrush(tg);
        p.drawRoundedRect(t, 2.5, 2.5);
        // Grip line.
        p.setPen(QPen(on ? pal.color(QPalette::Dark) : pal.color(QPalette::Mid), 1));
        const qreal cx = std::round(t.center().x()) + 0.5;
        p.drawLine(QPointF(cx, t.top() + 3), QPointF(cx, t.bottom() - 3));
    }

    void setFromUser(int v)
    {
        v = std::clamp(v, 0, 1000);
        if (v == d_->value)
            return;
        const int from = d_->value;
        d_->value = v;
        valueMoved(from);
        NotifyAccessibleValue(this, v);
        emit owner_->OnValueChange(v);
    }

    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() != Qt::LeftButton || mouseHeld_) {
            e->ignore();
            return;
        }
        const qreal x = e->position().x();
        const QRectF t = thumbRect();
        if (!keyHeld_)
            emit owner_->OnMouseDown();
        mouseHeld_ = true;
        // On the thumb: drag it from where it was caught. Elsewhere: jump there and drag.
        grabOffset_ = (x >= t.left() && x <= t.right()) ? x - xOf(d_->value) : 0.0;
        setFromUser(valueAt(x - grabOffset_));
        update();
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (mouseHeld_)
            setFromUser(valueAt(e->position().x() - grabOffset_));
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() != Qt::LeftButton || !mouseHeld_)
            return;
        setFromUser(valueAt(e->position().x() - grabOffset_));
        release();
    }

    void keyPressEvent(QKeyEvent* e) override
    {
        int target = d_->value;
        switch (e->key()) {
        case Qt::Key_Left: case Qt::Key_Down: target -= 10; break;
        case Qt::Key_Right: case Qt::Key_Up: target += 10; break;
        case Qt::Key_PageDown: target -= 100; break;
        case Qt::Key_PageUp: target += 100; break;
        case Qt::Key_Home: target = 0; break;
        case Qt::Key_End: target = 1000; break;
        default: QWidget::keyPressEvent(e); return;
        }
        if (!keyHeld_ && !mouseHeld_) {
            keyHeld_ = true;
            heldKey_ = e->key();
            emit owner_->OnMouseDown();
        }
        setFromUser(target);
    }
    void keyReleaseEvent(QKeyEvent* e) override
    {
        if (keyHeld_ && !e->isAutoRepeat() && e->key() == heldKey_) {
            release();
            return;
        }
        QWidget::keyReleaseEvent(e);
    }

    // A hold never outlives the slider's usability: losing focus, being disabled or hidden ends
    // it with OnMouseUp, so the host never stays in its "user holds the slider" state.
    void focusOutEvent(QFocusEvent* e) override
    {
        if (keyHeld_)
            release();
        QWidget::focusOutEvent(e);
    }
    void hideEvent(QHideEvent* e) override
    {
        if (held())
            release();
        QWidget::hideEvent(e);
    }
    void changeEvent(QEvent* e) override
    {
        if (e->type() == QEvent::EnabledChange && !isEnabled() && held())
            release();
        QWidget::changeEvent(e);
    }

private:
    void release()
    {
        mouseHeld_ = false;
        keyHeld_ = false;
        heldKey_ = 0;
        update();
        emit owner_->OnMouseUp();
    }

    TNCTSliderB2* owner_;
    SliderState* d_;
    bool mouseHeld_ = false;
    bool keyHeld_ = false;
    int heldKey_ = 0;
    qreal grabOffset_ = 0;
};

}  // namespace

struct TNCTSliderB2::Impl : SliderState {};

TNCTSliderB2::TNCTSliderB2(QWidget* parent) : QWidget(parent), d(new Impl)
{
    InstallDrawnControlAccessibility();
    setAccessibleName(tr("Позиция"));
    d->strip = new SliderStrip(this, d);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(d->strip);
    setFocusProxy(d->strip);
    resize(200, 15);
}

TNCTSliderB2::~TNCTSliderB2() { delete d; }

int TNCTSliderB2::Value() const { return d->value; }

void TNCTSliderB2::setValue(int value)
{
    value = std::clamp(value, 0, 1000);
    if (value == d->value)
        return;
    const int from = d->value;
    d->value = value;
    d->strip->valueMoved(from);
}

QColor TNCTSliderB2::StripColor() const
{
    return d->stripColor.isValid() ? d->stripColor : palette().color(QPalette::Button);
}

void TNCTSliderB2::setStripColor(const QColor& c)
{
    d->stripColor = c;
    d->strip->update();
}
