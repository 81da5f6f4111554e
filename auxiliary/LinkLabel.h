#pragma once
// A label that acts as a web link: blue with the hand cursor; red and underlined while the
// pointer is over it. A click emits clicked().
#include <QLabel>

class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLinkLabel(const QString& text, QWidget* parent = nullptr);

    bool hovered() const { return hovered_; }
    void setHovered(bool on);   // what entering (true) and leaving (false) do

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool hovered_ = false;
};
