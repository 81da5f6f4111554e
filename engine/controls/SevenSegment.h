#pragma once
// Seven-segment digits for the LCD-style controls: digits, ':' and ' ' drawn as lit and unlit
// segments, scaled to fit a rectangle and centred in it.
#include <QColor>
#include <QList>
#include <QRect>
#include <QRegion>
#include <QRectF>
#include <QString>

class QPainter;

namespace SevenSegment {

// Draws text (digits, ':', '-', ' ') fitted into box; unlit segments are drawn in dim (none
// when dim is transparent). With `only` given, just the characters whose cells meet it.
void drawText(QPainter& p, const QRectF& box, const QString& text, const QColor& lit, const QColor& dim,
              const QRegion& only = QRegion());

// The pixels each character of text covers when drawn into box (empty when nothing is drawn).
QList<QRect> cells(const QRectF& box, const QString& text);

// The segments a..g (bit 0 = a) lit for character c; 0 for anything without segments.
int segmentsOf(QChar c);

}  // namespace SevenSegment
