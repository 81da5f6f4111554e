#pragma once
// An arrow control attached to a number field. The arrows step the field's value within
// [Min, Max] (no wrap); a value typed into the field is not held to that range: the field keeps
// whatever was typed, and only an arrow click brings it back into the range. The arrows keep their
// own enabled state whatever the field's: a click steps a disabled field too.
#include <QWidget>

class QLineEdit;
class QToolButton;

class TUpDown : public QWidget {
    Q_OBJECT
public:
    explicit TUpDown(QWidget* parent = nullptr);

    void setAssociate(QLineEdit* edit);
    QLineEdit* Associate() const { return associate_; }
    void setRange(int min, int max);
    int Min() const { return min_; }
    int Max() const { return max_; }
    void setIncrement(int step) { increment_ = step; }
    int Increment() const { return increment_; }
    int Position() const { return position_; }
    void setPosition(int position);   // also writes the field

    // One arrow click: +1 up, -1 down.
    void Click(int direction);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

signals:
    void Changed(int position);

private:
    QLineEdit* associate_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    int min_ = 0;
    int max_ = 100;
    int increment_ = 1;
    int position_ = 0;
};
