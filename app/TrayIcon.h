#pragma once
// The program's icon in the desktop's tray (the setting "trayicon" of setup.ini, off by
// default). Its picture and tip say whether a recording runs or is paused; its menu records,
// stops, shows the window and ends the program; a click shows the window. While it is there,
// closing the window during a recording hides the window instead, and the recording goes on;
// the program then ends by the menu's "Выход" (or the window's own Exit command).
#include "app/RecordingSession.h"

#include <QIcon>
#include <QObject>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;
class RemoteControl;
class TForm1;

class TrayIcon : public QObject {
    Q_OBJECT
public:
    TrayIcon(TForm1& form, RemoteControl& remote, QObject* parent = nullptr);
    ~TrayIcon() override;

    // Shows or takes away the icon as the settings say.
    void apply();
    bool shown() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void update();

    TForm1& form_;
    RemoteControl& remote_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    QAction* record_ = nullptr;
    QAction* stop_ = nullptr;
    QIcon idle_, recording_, paused_;
    QString tip_;
    int look_ = -1;   // the picture shown: 0 idle, 1 recording, 2 paused
};
