#pragma once
// Whether a top-level window can be seen: shown, not minimised, and mapped on the screen (a
// window manager unmaps the windows it minimises or keeps on another desktop; the tray hides
// the window). `changed` says when that turns. A window not yet on the screen counts as seen
// unless it is minimised: what it shows meanwhile is painted when it comes there.
#include <QObject>
#include <QPointer>

class QWidget;
class QWindow;

class WindowSight : public QObject {
    Q_OBJECT
public:
    explicit WindowSight(QWidget& window, QObject* parent = nullptr);
    ~WindowSight() override;

    bool seen() const { return seen_; }

signals:
    void changed(bool seen);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void look();

    QWidget& window_;
    QPointer<QWindow> handle_;   // watched for its exposure once the window has one
    bool shownOnce_ = false;
    bool exposedOnce_ = false;
    bool seen_ = true;
};
