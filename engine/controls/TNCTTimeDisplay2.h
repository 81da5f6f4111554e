#pragma once
// The elapsed-time display. Writing Milliseconds sets Hours, Minutes (0..59) and Seconds
// (0..59) as its parts; the display shows H:MM:SS.
#include <QWidget>

class TNCTTimeDisplay2 : public QWidget {
    Q_OBJECT
public:
    explicit TNCTTimeDisplay2(QWidget* parent = nullptr);
    ~TNCTTimeDisplay2() override;
    int Milliseconds() const;
    void setMilliseconds(int ms);
    int Hours() const;
    void setHours(int h);
    int Minutes() const;
    void setMinutes(int m);
    int Seconds() const;
    void setSeconds(int s);
    QString text() const;               // what is shown, "H:MM:SS"

private:
    struct Impl;
    Impl* d;
};
