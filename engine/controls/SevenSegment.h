#pragma once
// Seven-segment digits for the LCD-style controls: digits, ':' and ' ' drawn as lit and unlit
// segments, scaled to fit a rectangle and centred in it.
#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace SevenSegment {

// Draws text (digits, ':', '-', ' ') fitted into box; unlit segments are drawn in dim.
void drawText(QPainter& p, const QRectF& box, const QString& text, const QColor& lit, const QColor& dim);

// The segments a..g (bit 0 = a) lit for character c; 0 for anything without segments.
int segmentsOf(QChar c);

}  // namespace SevenSegment
