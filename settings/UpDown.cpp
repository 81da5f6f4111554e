#include "settings/UpDown.h"

#include "settings/NumberFields.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

TUpDown::TUpDown(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    for (QToolButton* b : {up_, down_}) {
        b->setArrowType(b == up_ ? Qt::UpArrow : Qt::DownArrow);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        b->setFixedWidth(16);
        b->setIconSize(QSize(7, 7));
        layout->addWidget(b);
    }
    connect(up_, &QToolButton::clicked, this, [this] { Click(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { Click(-1); });
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TUpDown::setAssociate(QLineEdit* edit)
{
    associate_ = edit;
    if (edit) {
        setFixedHeight(edit->sizeHint().height());
        edit->setText(QString::number(position_));
    }
}

void TUpDown::setRange(int min, int max)
{
    min_ = min;
    max_ = std::max(min, max);
    position_ = std::clamp(position_, min_, max_);
}

void TUpDown::setPosition(int position)
{
    position_ = std::clamp(position, min_, max_);
    if (associate_)
        associate_->setText(QString::number(position_));
}

void TUpDown::Click(int direction)
{
    if (!isEnabled())
        return;
    // Start from what the field shows when it holds a number.
    int current = position_;
    if (associate_) {
        int typed = 0;
        if (ParseDecimal(associate_->text(), typed))
            current = std::clamp(typed, min_, max_);
    }
    const qint64 next = qint64(current) + qint64(direction) * increment_;
    setPosition(int(std::clamp<qint64>(next, min_, max_)));
    emit Changed(position_);
}
