#pragma once
// A level meter for one channel. Value is a linear peak level 0..32767 (as the recorder and
// player report it); it is shown on a decibel scale with a peak hold and a clip mark.
#include <QWidget>

class TNCTAmpBar2 : public QWidget {
    Q_OBJECT
public:
    explicit TNCTAmpBar2(QWidget* parent = nullptr);
    ~TNCTAmpBar2() override;
    // Without a new reading for this long, a meter still moving goes on by itself.
    static constexpr int SettleIntervalMs = 100;
    int Value() const;
    void setValue(int value);
    // A mark across the bar at a level in dBFS, to read the meter against (a threshold);
    // NaN for none (the default).
    double MarkDb() const;
    void setMarkDb(double db);
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Impl;
    Impl* d;
};
