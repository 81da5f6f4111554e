#include "app/WindowSight.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

WindowSight::WindowSight(QWidget& window, QObject* parent) : QObject(parent), window_(window)
{
    window_.installEventFilter(this);
}

WindowSight::~WindowSight()
{
    window_.removeEventFilter(this);
    if (handle_)
        handle_->removeEventFilter(this);
}

bool WindowSight::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
        if (watched == &window_) {
            shownOnce_ = true;
            if (QWindow* handle = window_.windowHandle(); handle && handle != handle_) {
                if (handle_)
                    handle_->removeEventFilter(this);
                handle_ = handle;
                handle_->installEventFilter(this);
            }
        }
        look();
        break;
    case QEvent::Expose:   // the window's handle: mapped or unmapped, its exposure already set
        if (handle_ && handle_->isExposed())
            exposedOnce_ = true;
        look();
        break;
    case QEvent::Hide:
    case QEvent::WindowStateChange:
        look();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void WindowSight::look()
{
    // Until the window has first been on the screen, its coming there is not counted against it.
    const bool seen = !window_.isMinimized() && (!shownOnce_ || window_.isVisible())
                      && (!exposedOnce_ || (handle_ && handle_->isExposed()));
    if (seen == seen_)
        return;
    seen_ = seen;
    emit changed(seen);
}
