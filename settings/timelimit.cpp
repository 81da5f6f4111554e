#include "settings/timelimit.h"

#include "app/Unit1.h"
#include "platform/ui/Guarded.h"
#include "settings/RecordingSettings.h"
#include "settings/UpDown.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

bool TakeTimeLimit(bool limitSelected, const QLineEdit& hours, const QLineEdit& minutes,
                   const QLineEdit& seconds)
{
    if (limitSelected) {
        int total = 0;
        if (!ReadTimeFields(hours, minutes, seconds, total))
            return false;
        RecordingSettings.TimeLimit = total;
        if (Form1)
            Form1->setAutostopButton(true, TTimeLimitForm::tr("Auto stop recording is set to ")
                                               + TForm1::DurationText(total));
    } else {
        RecordingSettings.TimeLimit = -1;
        if (Form1)
            Form1->setAutostopButton(false, TTimeLimitForm::tr("No Auto stop."));
    }
    return true;
}

TTimeLimitForm::TTimeLimitForm(QWidget* parent) : TOkCancelDialog(parent)
{
    setWindowTitle(tr("Авто стоп"));
    setFixedSize(303, 132);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(6, 6, 6, 8);
    root->setSpacing(6);

    GroupBox1 = new QGroupBox(tr("Таймер записи"), this);
    auto* grid = new QVBoxLayout(GroupBox1);
    grid->setContentsMargins(6, 2, 6, 6);
    grid->setSpacing(2);
    RBNoLimit = new QRadioButton(tr("Без остановки"), GroupBox1);
    RBLimit = new QRadioButton(tr("Конец записи через:"), GroupBox1);
    RBNoLimit->setChecked(true);
    auto* choice = new QHBoxLayout;
    choice->addWidget(RBNoLimit);
    choice->addSpacing(8);
    choice->addWidget(RBLimit);
    choice->addStretch(1);
    grid->addLayout(choice);

    // The fields sit under "Конец записи через:".
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addStretch(1);
    struct Part {
        QLineEdit** edit;
        TUpDown** upDown;
        QLabel** label;
        const char* unit;
        int step;
    };
    const Part parts[] = {{&Edit1, &UpDown1, &Label1, QT_TR_NOOP("час"), 1},
                          {&Edit2, &UpDown2, &Label2, QT_TR_NOOP("мин"), 1},
                          {&Edit3, &UpDown3, &Label3, QT_TR_NOOP("сек"), 5}};
    for (const Part& p : parts) {
        auto* edit = new QLineEdit(QStringLiteral("0"), GroupBox1);
        edit->setFixedWidth(36);
        edit->setEnabled(false);
        TUpDown* upDown = NewUpDown(edit, 0, 100, p.step);
        auto* label = new QLabel(tr(p.unit), GroupBox1);
        label->setBuddy(edit);
        row->addWidget(edit);
        row->addWidget(upDown);
        row->addSpacing(2);
        row->addWidget(label);
        if (p.step == 1)
            row->addSpacing(10);
        *p.edit = edit;
        *p.upDown = upDown;
        *p.label = label;
    }
    row->addSpacing(8);
    grid->addLayout(row);
    root->addWidget(GroupBox1);

    root->addLayout(buildButtons());

    connect(RBNoLimit, &QRadioButton::clicked, this, guarded([this] { RBNoLimitClick(); }));
    connect(RBLimit, &QRadioButton::clicked, this, guarded([this] { RBLimitClick(); }));
}

TTimeLimitForm::~TTimeLimitForm() = default;

void TTimeLimitForm::RBNoLimitClick()
{
    Edit1->setEnabled(false);
    Edit2->setEnabled(false);
    Edit3->setEnabled(false);
}

void TTimeLimitForm::RBLimitClick()
{
    Edit1->setEnabled(true);
    Edit2->setEnabled(true);
    Edit3->setEnabled(true);
}

void TTimeLimitForm::BtnOKClick()
{
    if (!TakeTimeLimit(RBLimit->isChecked(), *Edit1, *Edit2, *Edit3))
        return;
    close();
}

void TTimeLimitForm::FormClose()
{
    if (Form1 && Form1->TimeLimitForm == this)
        Form1->TimeLimitForm = nullptr;
}
