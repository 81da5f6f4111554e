#pragma once
// One mixer line strip: the line's name, a balance slider, a volume slider (top is loudest),
// the mute or record-source switch and the button that opens the line's advanced dialog.
// The main window builds one strip per mixer line on its two mixer pages; each control of a
// strip carries the line number in its "Tag" property, through which the handlers find their
// line.
#include <QFrame>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

class TsrcFrame : public QFrame {
    Q_OBJECT
public:
    explicit TsrcFrame(QWidget* parent = nullptr);
    ~TsrcFrame() override;

    QFrame* Panel1 = nullptr;       // 81 x 185 raised/lowered bevel holding the rest
    QLabel* Label1 = nullptr;       // line name
    QSlider* TrackBar2 = nullptr;   // balance 0..100, 50 is the centre
    QFrame* Panel2 = nullptr;       // separator line
    QSlider* TrackBar1 = nullptr;   // volume, position = 65535 - volume (top is loudest)
    QCheckBox* CheckBox1 = nullptr; // "Тихо" (output) or "Select" (input)
    QPushButton* Button1 = nullptr; // "Настройка": advanced controls of the line

    // Shows the line's name (and gives it to the sliders, for a screen reader).
    void setLineName(const QString& name);
    // Stores the line number in the Tag of the strip and of every control on it.
    void setTag(int tag);
    // Gives the switch its caption, widened within the strip when the text needs more room
    // than the design's 49 pixels.
    void setSwitchCaption(const QString& caption);

protected:
    // A strip shorter or taller than the design's 186 pixels gives the difference to its
    // volume slider; the rest keeps its place.
    void resizeEvent(QResizeEvent* event) override;
};

// The line number a strip control carries (-1 when it carries none).
int controlTag(const QObject* control);
void setControlTag(QObject* control, int tag);
