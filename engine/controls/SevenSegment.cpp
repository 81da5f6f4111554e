#include "engine/controls/SevenSegment.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <vector>

namespace SevenSegment {

int segmentsOf(QChar c)
{
    //                          a  b  c  d  e  f  g  (bit 0 = a)
    static const int digits[10] = {
        0b0111111,  // 0
        0b0000110,  // 1
        0b1011011,  // 2
        0b1001111,  // 3
        0b1100110,  // 4
        0b1101101,  // 5
        0b1111101,  // 6
        0b0000111,  // 7
        0b1111111,  // 8
        0b1101111,  // 9
    };
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return digits[c.unicode() - '0'];
    if (c == QLatin1Char('-'))
        return 0b1000000;
    return 0;
}

namespace {

// A segment as a hexagon between two points, t thick.
QPolygonF bar(QPointF a, QPointF b, qreal t)
{
    const qreal h = t / 2;
    QPolygonF poly;
    if (a.y() == b.y()) {  // horizontal
        poly << QPointF(a.x(), a.y()) << QPointF(a.x() + h, a.y() - h) << QPointF(b.x() - h, b.y() - h)
             << QPointF(b.x(), b.y()) << QPointF(b.x() - h, b.y() + h) << QPointF(a.x() + h, a.y() + h);
    } else {  // vertical
        poly << QPointF(a.x(), a.y()) << QPointF(a.x() + h, a.y() + h) << QPointF(b.x() + h, b.y() - h)
             << QPointF(b.x(), b.y()) << QPointF(b.x() - h, b.y() - h) << QPointF(a.x() - h, a.y() + h);
    }
    return poly;
}

void drawDigit(QPainter& p, const QRectF& cell, int segs, const QColor& lit, const QColor& dim)
{
    const qreal t = std::max<qreal>(1.6, cell.width() * 0.22);
    const qreal gap = std::max<qreal>(0.6, t * 0.32);
    const qreal l = cell.left() + t / 2, r = cell.right() - t / 2;
    const qreal top = cell.top() + t / 2, bot = cell.bottom() - t / 2, mid = (top + bot) / 2;
    const QPolygonF shapes[7] = {
        bar({l + gap, top}, {r - gap, top}, t),  // a
        bar({r, top + gap}, {r, mid - gap}, t),  // b
        bar({r, mid + gap}, {r, bot - gap}, t),  // c
        bar({l + gap, bot}, {r - gap, bot}, t),  // d
        bar({l, mid + gap}, {l, bot - gap}, t),  // e
        bar({l, top + gap}, {l, mid - gap}, t),  // f
        bar({l + gap, mid}, {r - gap, mid}, t),  // g
    };
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 7; ++i) {
        if (dim.alpha() == 0 && !(segs & (1 << i)))
            continue;
        p.setBrush((segs & (1 << i)) ? lit : dim);
        p.drawPolygon(shapes[i]);
    }
}

}  // namespace

namespace {

constexpr qreal kDigitW = 0.52, kColonW = 0.24, kSpace = 0.14;   // in units of the digit height
constexpr qreal kSlant = 0.08;   // a slight italic, as on a real LCD

// Where the characters of a text go in a box: the digit height, the top, and the left edge of
// each character before the slant.
struct Placement {
    qreal h = 0, y = 0;
    std::vector<qreal> x;

    Placement(const QRectF& box, const QString& text)
    {
        qreal units = 0;
        for (int i = 0; i < text.size(); ++i) {
            units += (text[i] == QLatin1Char(':')) ? kColonW : kDigitW;
            if (i + 1 < text.size())
                units += kSpace;
        }
        h = std::min(box.height(), box.width() / (units + kSlant));
        qreal left = box.left() + (box.width() - h * (units + kSlant)) / 2;
        y = box.top() + (box.height() - h) / 2;
        x.reserve(std::size_t(text.size()));
        for (const QChar c : text) {
            x.push_back(left);
            left += ((c == QLatin1Char(':')) ? kColonW : kDigitW) * h + kSpace * h;
        }
    }
    qreal width(QChar c) const { return ((c == QLatin1Char(':')) ? kColonW : kDigitW) * h; }
};

bool drawable(const QRectF& box, const QString& text)
{
    return !text.isEmpty() && box.width() > 2 && box.height() > 4;
}

}  // namespace

QList<QRect> cells(const QRectF& box, const QString& text)
{
    QList<QRect> out;
    if (!drawable(box, text))
        return out;
    const Placement at(box, text);
    for (int i = 0; i < text.size(); ++i) {
        // The slant moves the top of a cell right by kSlant x h; a pixel more for the
        // antialiased edges.
        const QRectF cell(at.x[std::size_t(i)], at.y, at.width(text[i]) + kSlant * at.h, at.h);
        out.append(cell.toAlignedRect().adjusted(-1, -1, 1, 1));
    }
    return out;
}

void drawText(QPainter& p, const QRectF& box, const QString& text, const QColor& lit, const QColor& dim,
              const QRegion& only)
{
    if (!drawable(box, text))
        return;
    const Placement at(box, text);
    const qreal h = at.h, y = at.y;
    const QList<QRect> within = only.isEmpty() ? QList<QRect>() : cells(box, text);

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // Shear about the baseline so the bottom stays where it is.
    QTransform shear;
    shear.translate(0, y + h);
    shear.shear(-kSlant, 0);
    shear.translate(0, -(y + h));
    p.setTransform(shear, true);
    for (int i = 0; i < text.size(); ++i) {
        if (!within.isEmpty() && !only.intersects(within[i]))
            continue;
        const QChar c = text[i];
        const qreal x = at.x[std::size_t(i)];
        if (c == QLatin1Char(':')) {
            const qreal dot = std::max<qreal>(1.5, h * 0.13);
            const qreal cx = x + kColonW * h / 2;
            p.setPen(Qt::NoPen);
            p.setBrush(lit);
            p.drawRect(QRectF(cx - dot / 2, y + h * 0.3 - dot / 2, dot, dot));
            p.drawRect(QRectF(cx - dot / 2, y + h * 0.72 - dot / 2, dot, dot));
        } else {
            drawDigit(p, QRectF(x, y, kDigitW * h, h), segmentsOf(c), lit, dim);
        }
    }
    p.restore();
}

}  // namespace SevenSegment
