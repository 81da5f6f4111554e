#pragma once
// The transport panel: record, play, pause and stop buttons, a mute switch and a volume
// control. OnMouseClick carries the button code: 1 play, 2 pause, 3 stop, 4 record, 7 mute
// switch changed (read Mute()). SetState* change the look of the buttons.
#include <QWidget>

class TNCTPlayButtonB2 : public QWidget {
    Q_OBJECT
public:
    explicit TNCTPlayButtonB2(QWidget* parent = nullptr);
    ~TNCTPlayButtonB2() override;

    void SetStateRecord();
    void SetStatePlay();
    void SetStatePause();
    void SetStateStop();
    void SetVolume(int Volume);         // 0..65535
    int Volume() const;
    bool Mute() const;
    void setMute(bool on);
    int State() const;                  // 0 stop, 1 play, 2 pause, 3 record (for tests)

    // Presses a button as the user would (tests and keyboard use): raises OnMouseClick (7 after
    // toggling the mute switch; nothing while disabled). A code without a key is raised as is.
    void click(int Button);

signals:
    void OnMouseClick(int Button);
    void OnChangeVolume(int Volume);

private:
    struct Impl;
    Impl* d;
};
