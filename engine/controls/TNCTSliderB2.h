#pragma once
// The position slider, 0..1000. OnMouseDown/OnMouseUp when the user presses and releases it,
// OnValueChange(Value) when the user moves it. setValue from code raises no event.
#include <QColor>
#include <QWidget>

class TNCTSliderB2 : public QWidget {
    Q_OBJECT
public:
    explicit TNCTSliderB2(QWidget* parent = nullptr);
    ~TNCTSliderB2() override;

    int Value() const;
    void setValue(int value);           // clamped to 0..1000
    QColor StripColor() const;
    void setStripColor(const QColor& c);
    int Min() const { return 0; }
    int Max() const { return 1000; }

signals:
    void OnMouseDown();
    void OnMouseUp();
    void OnValueChange(int Value);

private:
    struct Impl;
    Impl* d;
};
