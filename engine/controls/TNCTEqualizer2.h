#pragma once
// Twelve band sliders, Band1..Band12, each -15..15 (dB). OnValueChange(Band) when the user
// moves band number Band (1..12).
#include <QWidget>

class TNCTEqualizer2 : public QWidget {
    Q_OBJECT
public:
    explicit TNCTEqualizer2(QWidget* parent = nullptr);
    ~TNCTEqualizer2() override;
    static constexpr int BandCount = 12;
    float Min() const { return -15.0f; }
    float Max() const { return 15.0f; }
    float Band(int n) const;            // n = 1..12
    void setBand(int n, float value);   // from code: no event
    float Band1() const { return Band(1); }
    float Band2() const { return Band(2); }
    float Band3() const { return Band(3); }
    float Band4() const { return Band(4); }
    float Band5() const { return Band(5); }
    float Band6() const { return Band(6); }
    float Band7() const { return Band(7); }
    float Band8() const { return Band(8); }
    float Band9() const { return Band(9); }
    float Band10() const { return Band(10); }
    float Band11() const { return Band(11); }
    float Band12() const { return Band(12); }
    // Moves a band as the user would: sets it and raises OnValueChange.
    void userSetBand(int n, float value);
    static QString bandLabel(int n);    // centre frequency text of band n

signals:
    void OnValueChange(int Band);

private:
    struct Impl;
    Impl* d;
};
