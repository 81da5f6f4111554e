#include "mixer/Unit5.h"
#include "app/Unit1.h"
#include "engine/EngineError.h"
#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "mixer/srcframe.h"
#include "platform/ui/Guarded.h"
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QVariant>
#include <algorithm>

TfrmAdv* frmAdv = nullptr;

namespace {
constexpr int kClientWidth = 390;
constexpr int kFrameToClient = 42;   // form height = group bottom + 70, less the title bar

// Runs f on the engine the dialog serves.
template <class F>
auto withEngine(bool input, F&& f)
{
    if (!Form1)
        throw EngineError(QStringLiteral("The main window does not exist"));
    if (input) {
        if (!Form1->AudioRecord1)
            throw EngineError(QStringLiteral("The recorder does not exist"));
        return f(*Form1->AudioRecord1);
    }
    if (!Form1->AudioPlayer1)
        throw EngineError(QStringLiteral("The player does not exist"));
    return f(*Form1->AudioPlayer1);
}
} // namespace

TfrmAdv::TfrmAdv(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAdv"));
    setWindowTitle(tr("Диалог"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, 203);

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(12, 4, 32, 32);
    Image2->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));

    Label2 = new QLabel(tr("Параметры настройки для коррекции звука"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(69, 8, 289, 26);
    Label2->setWordWrap(true);

    gbOther = new QGroupBox(tr("Другой контроль"), this);
    gbOther->setObjectName(QStringLiteral("gbOther"));
    gbOther->setGeometry(16, 56, 361, 105);

    Label1 = new QLabel(tr(
        "Эти параметры настройки делают другие изменения(замены) к как вашими звуковыми "
        "звуками. См. вашу аппаратную документацию для подробностей."), gbOther);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The text ends above the first generated row (top 80). This system's fonts need more
    // lines than the design's 26 pixels hold, so the label starts higher when it must.
    const int textHeight = Label1->heightForWidth(321);
    const int labelTop = std::clamp(78 - textHeight, 18, 32);
    Label1->setGeometry(16, labelTop, 321, 78 - labelTop);

    btnClose = new QPushButton(tr("Закрыть"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry(300, 168, 75, 25);
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
}

TfrmAdv::~TfrmAdv()
{
    if (frmAdv == this)
        frmAdv = nullptr;
}

void TfrmAdv::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        runGuarded([this] { FormShow(); });
}

void TfrmAdv::selectLine()
{
    // The strip's handler selected the line before the dialog was shown; select it again
    // before every write so that nothing done meanwhile can redirect the values.
    if (line_ >= 0)
        withEngine(IsInput, [this](auto& e) { e.setSrcIndex(line_); });
}

void TfrmAdv::FormShow()
{
    for (const QPointer<QWidget>& w : generated_)
        delete w.data();
    generated_.clear();

    withEngine(IsInput, [this](auto& e) {
        line_ = e.srcIndex();
        setWindowTitle(tr("Advanced Properties for ") + e.srcName());
        const int m = e.srcAdvancedLastIndex();
        if (m < 0)
            return 0;
        for (int i = 0; i <= m; ++i) {
            const QVariant v = e.srcAdvancedValue(i);
            const QString text = QString::number(i + 1) + QLatin1Char(' ') + e.srcAdvancedName(i);
            const int top = i * 23 + 80;
            if (v.typeId() == QMetaType::Bool) {
                auto* box = new QCheckBox(text, gbOther);
                box->setObjectName(QStringLiteral("ch") + QString::number(i));
                box->setGeometry(16, top, 220, 17);
                setControlTag(box, i);
                box->setChecked(v.toBool());
                connect(box, &QCheckBox::toggled, this, guarded([this, box] { AdvancedCheckClick(box); }));
                box->show();
                generated_.append(box);
            } else {
                auto* bar = new QSlider(Qt::Horizontal, gbOther);
                bar->setObjectName(QStringLiteral("tb") + QString::number(i));
                bar->setGeometry(16, top, 109, 17);
                setControlTag(bar, i);
                bar->setRange(0, 65535);
                bar->setTickInterval(5000);
                bar->setPageStep(6553);
                bar->setValue(v.toInt());
                connect(bar, &QSlider::valueChanged, this,
                        guarded([this, bar] { AdvancedTrackChange(bar); }));
                bar->show();
                generated_.append(bar);
                auto* label = new QLabel(text, gbOther);
                label->setGeometry(145, top, gbOther->width() - 145 - 8, 17);
                label->show();
                generated_.append(label);
            }
        }
        gbOther->resize(gbOther->width(), m * 23 + 113);
        const int bottom = gbOther->geometry().bottom() + 1;
        btnClose->move(btnClose->x(), bottom + 8);
        setFixedSize(kClientWidth, bottom + kFrameToClient);
        return 0;
    });
}

void TfrmAdv::AdvancedCheckClick(QObject* Sender)
{
    auto* box = qobject_cast<QCheckBox*>(Sender);
    if (!box)
        return;
    selectLine();
    const int i = controlTag(box);
    const bool on = box->isChecked();
    withEngine(IsInput, [this, i, on](auto& e) {
        e.setSrcAdvancedValue(i, QVariant(on));
        // Choosing one item of a set (a port, a profile) leaves the others, and an item cannot
        // be left on its own: every box shows what the mixer now reports.
        for (const QPointer<QWidget>& w : generated_) {
            auto* other = qobject_cast<QCheckBox*>(w.data());
            if (!other)
                continue;
            const QVariant value = e.srcAdvancedValue(controlTag(other));
            const QSignalBlocker quiet(other);
            if (value.typeId() == QMetaType::Bool)
                other->setChecked(value.toBool());
        }
        return 0;
    });
}

void TfrmAdv::AdvancedTrackChange(QObject* Sender)
{
    auto* bar = qobject_cast<QSlider*>(Sender);
    if (!bar)
        return;
    selectLine();
    const int i = controlTag(bar);
    const int position = bar->value();
    withEngine(IsInput, [i, position](auto& e) { e.setSrcAdvancedValue(i, QVariant(position)); return 0; });
}
