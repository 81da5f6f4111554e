#include "auxiliary/LinkLabel.h"

#include <QMouseEvent>

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
    setHovered(false);
}

void TLinkLabel::setHovered(bool on)
{
    hovered_ = on;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, on ? QColor(255, 0, 0) : QColor(0, 0, 255));
    setPalette(pal);
    QFont f = font();
    f.setUnderline(on);
    setFont(f);
}

void TLinkLabel::enterEvent(QEnterEvent* event)
{
    setHovered(true);
    QLabel::enterEvent(event);
}

void TLinkLabel::leaveEvent(QEvent* event)
{
    setHovered(false);
    QLabel::leaveEvent(event);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
