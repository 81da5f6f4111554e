// Recordings that start and stop by themselves, as the window shows them: the dialog and its
// toolbar button, what an armed session waits for (panel 0 "Waiting...", the clock time or
// the threshold in panel 1; panel 2 while a recording is paused for sound), the threshold as
// a mark on the level meters, and the clock times the session used up, written back to
// setup.ini. The waiting itself is the session's (app/RecordingSession.h).
#include "app/Unit1.h"

#include "engine/controls/TNCTAmpBar2.h"
#include "engine/controls/TNCTPlayButtonB2.h"
#include "settings/SetupIni.h"
#include "settings/TriggerSettings.h"
#include "settings/trigger.h"

#include <QAction>
#include <QLabel>
#include <QToolButton>
#include <cmath>

void TForm1::ToolBtnTriggerClick()
{
    // The button only shows whether something is set: undo the toggle of the click itself.
    setTriggerButton();
    if (!TriggerForm)
        TriggerForm = new TTriggerForm(this);
    TriggerForm->setVisible(false);
    TriggerForm->exec();
}

void TForm1::setTriggerButton()
{
    if (!ToolBtnTrigger)
        return;
    const TriggerOptions t = TriggerOptionsOf(RecordingSettings);
    QStringList set;
    if (t.sound)
        set << tr("запуск по звуку выше %1 дБ").arg(t.levelDb);
    if (t.silenceSeconds > 0)
        set << (t.pauseOnSilence ? tr("пауза после %1 сек тишины") : tr("остановка после %1 сек тишины"))
                   .arg(t.silenceSeconds);
    if (t.start.isValid())
        set << tr("запуск в %1").arg(ClockTimeText(t.start));
    if (t.stop.isValid())
        set << tr("остановка в %1").arg(ClockTimeText(t.stop));
    const bool pressed = !set.isEmpty();
    const QString hint = pressed ? tr("Авто старт: ") + set.join(QStringLiteral(", ")) : tr("Нет авто старта");
    ToolBtnTrigger->setChecked(pressed);
    ToolBtnTrigger->setToolTip(hint);
    if (Trigger1)
        Trigger1->setToolTip(hint);
}

void TForm1::SessionWaiting(const QString& what)
{
    QString text;
    if (what == RecordingSession::WaitingSound) {
        text = tr("Ожидание звука выше %1 дБ").arg(TriggerOptionsOf(RecordingSettings).levelDb);
    } else {
        const QDateTime at = Session->startsAt();
        text = at.isValid() && at.date() != Session->wallClock().date() ? tr("Запись начнётся завтра в %1").arg(what)
                                                                        : tr("Запись начнётся в %1").arg(what);
    }
    RecordWriter = Session->writer();
    if (Session->isArmed()) {
        // Nothing recorded yet: the waiting covers the file's path.
        if (!waitingShown_)
            keptPanelText_ = statusText(1);
        waitingShown_ = true;
        ShowRecordingLook();
        setStatusText(1, text);
    } else {
        // Paused for sound: the file stays in panel 1, the waiting covers the description.
        if (!soundPauseShown_)
            keptPanelText_ = statusText(2);
        soundPauseShown_ = true;
        setStatusText(2, text);
    }
    setStatusText(0, TransportWord());
    ShowThreshold();
}

void TForm1::EndWaitingLook()
{
    if (soundPauseShown_) {
        soundPauseShown_ = false;
        setStatusText(2, keptPanelText_);
    }
    if (waitingShown_) {
        waitingShown_ = false;
        setStatusText(1, keptPanelText_);
    }
}

void TForm1::SessionClockTimesCleared()
{
    // A start time is used once, a stop time with the recording it was set for: the next start
    // of the program must not find them again.
    WriteSetupKey(SetupKeyId::TriggerStart, RecordingSettings);
    WriteSetupKey(SetupKeyId::TriggerStop, RecordingSettings);
    setTriggerButton();
}

void TForm1::ShowThreshold()
{
    const TriggerOptions t = TriggerOptionsOf(RecordingSettings);
    const bool shown = t.watchesLevel() && Session->state() != RecordingSession::State::Stopped;
    const double mark = shown ? double(t.levelDb) : std::nan("");
    NCTAmpBar1->setMarkDb(mark);
    NCTAmpBar2->setMarkDb(mark);
}
