#include "settings/trigger.h"

#include "app/Unit1.h"
#include "platform/ui/Guarded.h"
#include "platform/ui/MessageBoxes.h"
#include "settings/RecordingSettings.h"
#include "settings/SetupIni.h"
#include "settings/TriggerSettings.h"
#include "settings/UpDown.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

using T = TriggerOptions;

// A number field with its arrows and its unit, on a row of a grid.
QLineEdit* numberRow(QGridLayout* grid, int row, QLabel*& label, const QString& caption, TUpDown*& upDown,
                     int low, int high, int step, const QString& unit)
{
    QWidget* box = grid->parentWidget();
    label = new QLabel(caption, box);
    auto* edit = new QLineEdit(box);
    edit->setFixedWidth(44);
    upDown = NewUpDown(edit, low, high, step);
    label->setBuddy(edit);
    auto* field = new QHBoxLayout;
    field->setSpacing(0);
    field->addWidget(edit);
    field->addWidget(upDown);
    field->addSpacing(4);
    field->addWidget(new QLabel(unit, box));
    field->addStretch(1);
    grid->addWidget(label, row, 0);
    grid->addLayout(field, row, 1);
    return edit;
}

QLineEdit* timeField(QWidget* box)
{
    auto* edit = new QLineEdit(box);
    edit->setFixedWidth(64);
    edit->setPlaceholderText(QStringLiteral("00:00:00"));
    return edit;
}

// The field's clock time as the settings keep it; empty when the box is not ticked.
bool readTime(bool ticked, const QLineEdit& edit, QString& value)
{
    value.clear();
    if (!ticked)
        return true;
    const QTime time = ParseClockTime(edit.text());
    if (!time.isValid()) {
        ShowInformation(QStringLiteral("Please input a correct time (HH:MM or HH:MM:SS)!"));
        return false;
    }
    value = ClockTimeText(time);
    return true;
}

} // namespace

TTriggerForm::TTriggerForm(QWidget* parent) : TOkCancelDialog(parent)
{
    setObjectName(QStringLiteral("TriggerForm"));
    setWindowTitle(tr("Авто старт"));

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(8, 8, 8, 8);
    root->setSpacing(6);

    GroupSound = new QGroupBox(tr("Запуск по звуку"), this);
    auto* sound = new QGridLayout(GroupSound);
    sound->setContentsMargins(8, 4, 8, 6);
    sound->setVerticalSpacing(4);
    CBSound = new QCheckBox(tr("Начинать запись, когда появится звук"), GroupSound);
    sound->addWidget(CBSound, 0, 0, 1, 2);
    EditLevel = numberRow(sound, 1, LabelLevel, tr("Порог звука:"), UpDownLevel, T::MinLevelDb, T::MaxLevelDb, 1,
                          tr("дБ"));
    EditPreroll = numberRow(sound, 2, LabelPreroll, tr("Сохранять до звука:"), UpDownPreroll, 0,
                            T::MaxPrerollSeconds, 1, tr("сек"));
    root->addWidget(GroupSound);

    GroupSilence = new QGroupBox(tr("Тишина"), this);
    auto* silence = new QGridLayout(GroupSilence);
    silence->setContentsMargins(8, 4, 8, 6);
    silence->setVerticalSpacing(4);
    EditSilence = numberRow(silence, 0, LabelSilence, tr("Тишина дольше:"), UpDownSilence, 0, 3600, 1,
                            tr("сек (0 - не следить)"));
    RBStop = new QRadioButton(tr("Остановить запись"), GroupSilence);
    RBPause = new QRadioButton(tr("Пауза до появления звука"), GroupSilence);
    auto* choice = new QHBoxLayout;
    choice->addWidget(RBStop);
    choice->addSpacing(8);
    choice->addWidget(RBPause);
    choice->addStretch(1);
    silence->addLayout(choice, 1, 0, 1, 2);
    root->addWidget(GroupSilence);

    GroupClock = new QGroupBox(tr("Запуск по времени"), this);
    auto* clock = new QGridLayout(GroupClock);
    clock->setContentsMargins(8, 4, 8, 6);
    clock->setVerticalSpacing(4);
    CBStart = new QCheckBox(tr("Начать запись в"), GroupClock);
    EditStart = timeField(GroupClock);
    CBStop = new QCheckBox(tr("Закончить запись в"), GroupClock);
    EditStop = timeField(GroupClock);
    clock->addWidget(CBStart, 0, 0);
    clock->addWidget(EditStart, 0, 1);
    clock->addWidget(CBStop, 1, 0);
    clock->addWidget(EditStop, 1, 1);
    clock->setColumnStretch(2, 1);
    root->addWidget(GroupClock);

    root->addLayout(buildButtons());

    connect(CBSound, &QCheckBox::clicked, this, guarded([this] { CBSoundClick(); }));
    connect(CBStart, &QCheckBox::clicked, this, guarded([this] { CBStartClick(); }));
    connect(CBStop, &QCheckBox::clicked, this, guarded([this] { CBStopClick(); }));

    FormShow();
    setFixedSize(sizeHint());
}

TTriggerForm::~TTriggerForm() = default;

void TTriggerForm::FormShow()
{
    const TriggerOptions t = TriggerOptionsOf(RecordingSettings);
    CBSound->setChecked(t.sound);
    UpDownLevel->setPosition(t.levelDb);
    UpDownPreroll->setPosition(t.prerollSeconds);
    UpDownSilence->setPosition(t.silenceSeconds);
    RBPause->setChecked(t.pauseOnSilence);
    RBStop->setChecked(!t.pauseOnSilence);
    CBStart->setChecked(t.start.isValid());
    EditStart->setText(ClockTimeText(t.start));
    CBStop->setChecked(t.stop.isValid());
    EditStop->setText(ClockTimeText(t.stop));
    CBSoundClick();
    CBStartClick();
    CBStopClick();
}

void TTriggerForm::CBSoundClick()
{
    // The threshold counts for the silence too; the pre-roll only for a start on sound.
    EditPreroll->setEnabled(CBSound->isChecked());
}

void TTriggerForm::CBStartClick()
{
    EditStart->setEnabled(CBStart->isChecked());
}

void TTriggerForm::CBStopClick()
{
    EditStop->setEnabled(CBStop->isChecked());
}

void TTriggerForm::BtnOKClick()
{
    int level = 0;
    int preroll = 0;
    int silence = 0;
    QString start;
    QString stop;
    if (!ReadNumberField(*EditLevel, T::MinLevelDb, T::MaxLevelDb, QStringLiteral("The threshold"), level)
        || !ReadNumberField(*EditPreroll, 0, T::MaxPrerollSeconds, QStringLiteral("The time kept before the sound"), preroll)
        || !ReadNumberField(*EditSilence, 0, T::MaxSilenceSeconds, QStringLiteral("The time of silence"), silence)
        || !readTime(CBStart->isChecked(), *EditStart, start) || !readTime(CBStop->isChecked(), *EditStop, stop))
        return;
    TRecordingSettings& s = RecordingSettings;
    s.TriggerSound = CBSound->isChecked() ? 1 : 0;
    s.TriggerLevel = level;
    s.TriggerPreroll = preroll;
    s.TriggerSilence = silence;
    s.TriggerOnSilence = QLatin1String(RBPause->isChecked() ? kOnSilencePause : kOnSilenceStop);
    s.TriggerStart = start;
    s.TriggerStop = stop;
    SaveTriggerSettings(s);
    if (Form1) {
        Form1->setTriggerButton();
        Form1->Session->triggerSettingsChanged();
        Form1->ShowThreshold();
    }
    close();
}

void TTriggerForm::FormClose()
{
    if (Form1 && Form1->TriggerForm == this)
        Form1->TriggerForm = nullptr;
}
