// The elapsed-time display: H:MM:SS in seven-segment digits on a dark LCD face.
#include "engine/controls/TNCTTimeDisplay2.h"

#include "engine/controls/SevenSegment.h"

#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace {

// The face is drawn once (the LCD, every segment unlit, the colons lit) and kept; a paint
// puts it back and lights the segments of the characters in the paint, and a new text repaints
// just the characters that changed (once a second while a recording runs).
class TimeFace : public QWidget {
public:
    explicit TimeFace(TNCTTimeDisplay2* owner) : QWidget(owner)
    {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        setAttribute(Qt::WA_OpaquePaintEvent);   // the corners are painted in the window's colour
    }
    QSize sizeHint() const override { return {121, 33}; }

    // Called when a field changed: a paint only when the text shown changes, and only of the
    // characters that changed while the layout stays.
    void showText(const QString& text)
    {
        if (text == text_)
            return;
        const QString old = text_;
        text_ = text;
        if (old.size() != text.size() || face_.isNull()) {
            update();
            return;
        }
        const QList<QRect> cells = SevenSegment::cells(digitBox(), text);
        QRegion changed;
        for (int i = 0; i < cells.size(); ++i)
            if (old[i] != text[i])
                changed += cells[i];
        update(changed);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const qreal dpr = devicePixelRatioF();
        const QString layout = blanked(text_);
        if (face_.isNull() || faceLayout_ != layout || face_.devicePixelRatioF() != dpr)
            drawFace(layout, dpr);
        QPainter p(this);
        const QRegion& area = event->region();
        for (const QRect& r : area)
            p.drawPixmap(r, face_, QRectF(QPointF(r.topLeft()) * dpr, QSizeF(r.size()) * dpr));
        SevenSegment::drawText(p, digitBox(), text_, litColour(), Qt::transparent, area);
    }
    void resizeEvent(QResizeEvent* e) override
    {
        face_ = QPixmap();
        QWidget::resizeEvent(e);
    }
    void changeEvent(QEvent* e) override
    {
        if (e->type() == QEvent::EnabledChange || e->type() == QEvent::PaletteChange) {
            face_ = QPixmap();
            update();
        }
        QWidget::changeEvent(e);
    }

private:
    QRectF digitBox() const
    {
        const qreal margin = std::max<qreal>(3.0, height() * 0.14);
        return QRectF(rect()).adjusted(margin + 1, margin, -margin - 1, -margin);
    }
    QColor litColour() const { return isEnabled() ? QColor(80, 240, 160) : QColor(90, 120, 105); }
    // The text with its digits as blanks: what the kept face shows.
    static QString blanked(QString text)
    {
        for (QChar& c : text)
            if (c != QLatin1Char(':'))
                c = QLatin1Char(' ');
        return text;
    }

    // The LCD face with every digit unlit, for the layout of a text.
    void drawFace(const QString& layout, qreal dpr)
    {
        face_ = QPixmap(size() * dpr);
        face_.setDevicePixelRatio(dpr);
        face_.fill(palette().color(QPalette::Window));
        QPainter p(&face_);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0.0, QColor(18, 26, 22));
        g.setColorAt(1.0, QColor(6, 10, 8));
        p.setPen(QPen(QColor(0, 0, 0), 1));
        p.setBrush(g);
        p.drawRoundedRect(r, 3, 3);
        p.setPen(QPen(QColor(255, 255, 255, 28), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 2, 2);
        SevenSegment::drawText(p, digitBox(), layout, litColour(), QColor(20, 34, 28));
        faceLayout_ = layout;
    }

    QString text_ = QStringLiteral("0:00:00");
    QPixmap face_;
    QString faceLayout_;
};

}  // namespace

struct TNCTTimeDisplay2::Impl {
    int milliseconds = 0;
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    TimeFace* face = nullptr;
};

TNCTTimeDisplay2::TNCTTimeDisplay2(QWidget* parent) : QWidget(parent), d(new Impl)
{
    d->face = new TimeFace(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(d->face);
    resize(121, 33);
}

TNCTTimeDisplay2::~TNCTTimeDisplay2() { delete d; }

int TNCTTimeDisplay2::Milliseconds() const { return d->milliseconds; }

void TNCTTimeDisplay2::setMilliseconds(int ms)
{
    ms = std::max(ms, 0);
    d->milliseconds = ms;
    d->hours = ms / 3600000;
    d->minutes = ms / 60000 % 60;
    d->seconds = ms / 1000 % 60;
    d->face->showText(text());
}

// Setting one field keeps the others; Milliseconds follows the fields shown (the part below a
// second is kept).
static int composeMs(int h, int m, int s, int oldMs)
{
    const long long total = h * 3600000LL + m * 60000LL + s * 1000LL + oldMs % 1000;
    return static_cast<int>(std::min<long long>(total, 2147483647LL));
}

int TNCTTimeDisplay2::Hours() const { return d->hours; }

void TNCTTimeDisplay2::setHours(int h)
{
    d->hours = std::clamp(h, 0, 596);  // 596 h is the most an int of milliseconds holds
    d->milliseconds = composeMs(d->hours, d->minutes, d->seconds, d->milliseconds);
    d->face->showText(text());
}

int TNCTTimeDisplay2::Minutes() const { return d->minutes; }

void TNCTTimeDisplay2::setMinutes(int m)
{
    d->minutes = std::clamp(m, 0, 59);
    d->milliseconds = composeMs(d->hours, d->minutes, d->seconds, d->milliseconds);
    d->face->showText(text());
}

int TNCTTimeDisplay2::Seconds() const { return d->seconds; }

void TNCTTimeDisplay2::setSeconds(int s)
{
    d->seconds = std::clamp(s, 0, 59);
    d->milliseconds = composeMs(d->hours, d->minutes, d->seconds, d->milliseconds);
    d->face->showText(text());
}

QString TNCTTimeDisplay2::text() const
{
    return QStringLiteral("%1:%2:%3")
        .arg(d->hours)
        .arg(d->minutes, 2, 10, QLatin1Char('0'))
        .arg(d->seconds, 2, 10, QLatin1Char('0'));
}
