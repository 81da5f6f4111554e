#include "mixer/srcframe.h"
#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QVariant>
#include <algorithm>

static const char* const kTag = "Tag";

namespace {

// The line's name on one line of the strip: a name too long for it (a sound server's device
// description) ends in "…" rather than being cut off half-way down a second line (the
// pages put the whole name in the tool tip).
class LineNameLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
        p.setPen(palette().color(foregroundRole()));
        p.drawText(contentsRect(), int(alignment()), shown);
    }
};

}  // namespace

int controlTag(const QObject* control)
{
    if (!control)
        return -1;
    const QVariant tag = control->property(kTag);
    bool ok = false;
    const int value = tag.toInt(&ok);
    return ok ? value : -1;
}

void setControlTag(QObject* control, int tag)
{
    if (control)
        control->setProperty(kTag, tag);
}

TsrcFrame::TsrcFrame(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
    resize(115, 186);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken);   // etched: lowered outside, raised inside
    Panel1->setGeometry(0, 0, 81, 185);

    Label1 = new LineNameLabel(Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(0, 4, 81, 17);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setAttribute(Qt::WA_TranslucentBackground);
    Label1->setProperty("tavrinElides", true);   // shortened on purpose, whole in the tool tip

    TrackBar2 = new QSlider(Qt::Horizontal, Panel1);
    TrackBar2->setObjectName(QStringLiteral("TrackBar2"));
    TrackBar2->setGeometry(8, 20, 65, 24);
    TrackBar2->setRange(0, 100);
    TrackBar2->setValue(50);
    TrackBar2->setTickInterval(25);
    TrackBar2->setTickPosition(QSlider::TicksBelow);
    TrackBar2->setPageStep(20);

    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Panel2->setGeometry(0, 48, 81, 2);

    // A vertical track bar has its minimum at the top; the volume slider shows
    // 65535 - volume, so the loudest setting is at the top.
    TrackBar1 = new QSlider(Qt::Vertical, Panel1);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setGeometry(24, 52, 33, 73);
    TrackBar1->setRange(0, 65535);
    TrackBar1->setInvertedAppearance(true);
    TrackBar1->setInvertedControls(true);
    TrackBar1->setTickInterval(5000);
    TrackBar1->setTickPosition(QSlider::TicksBothSides);
    TrackBar1->setSingleStep(1);
    TrackBar1->setPageStep(6553);

    CheckBox1 = new QCheckBox(Panel1);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(16, 128, 49, 17);
    setSwitchCaption(tr("Тихо"));

    Button1 = new QPushButton(tr("Настройка"), Panel1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(8, 152, 65, 25);
}

TsrcFrame::~TsrcFrame() = default;

void TsrcFrame::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    const int extra = std::max(height(), 130) - 186;
    Panel1->resize(Panel1->width(), 185 + extra);
    TrackBar1->resize(TrackBar1->width(), 73 + extra);
    CheckBox1->move(CheckBox1->x(), 128 + extra);
    Button1->move(Button1->x(), 152 + extra);
}

void TsrcFrame::setSwitchCaption(const QString& caption)
{
    CheckBox1->setText(caption);
    const int room = Panel1->width() - CheckBox1->x() - 2;
    CheckBox1->resize(std::clamp(CheckBox1->sizeHint().width(), 49, room), CheckBox1->height());
}

void TsrcFrame::setLineName(const QString& name)
{
    Label1->setText(name);
    Label1->setToolTip(name);
    TrackBar1->setAccessibleName(tr("Громкость: %1").arg(name));
    TrackBar2->setAccessibleName(tr("Баланс: %1").arg(name));
}

void TsrcFrame::setTag(int tag)
{
    setControlTag(this, tag);
    for (QObject* control : {static_cast<QObject*>(Label1), static_cast<QObject*>(TrackBar2),
                             static_cast<QObject*>(TrackBar1), static_cast<QObject*>(CheckBox1),
                             static_cast<QObject*>(Button1)})
        setControlTag(control, tag);
}
