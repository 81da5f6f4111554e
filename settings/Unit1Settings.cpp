// The main window's part of the settings: setup.ini at start-up and close, the output format
// handed to the engine, the settings dialog and the automatic-stop button.
#include "app/Unit1.h"

#include "settings/OutputFormats.h"
#include "settings/SetupIni.h"
#include "settings/setting.h"
#include "settings/timelimit.h"

#include <QAction>
#include <QToolButton>

namespace {
const char* const kPressedProperty = "tavrinPressed";
}

void TForm1::LoadSettings()
{
    TRecordingSettings& s = RecordingSettings;
    ReadSettingsRecord(s);
    if (s.TimeLimit <= 0)
        setAutostopButton(false, tr("No Auto stop. "));
    else
        setAutostopButton(true, tr("Auto stop recording is set to ") + DurationText(s.TimeLimit));
    setTriggerButton();
    ApplyOutputFormat();
}

void TForm1::ApplyOutputFormat()
{
    ApplyOutputFormatTo(*AudioFile1, *AudioFile2, *Mp3LameEncoder, RecordingSettings);
}

void TForm1::SaveTimeLimit()
{
    WriteSetupKey(SetupKeyId::TimeLimit, RecordingSettings);
}

void TForm1::Options2Click()
{
    if (!SettingForm)
        SettingForm = new TSettingForm(this);
    SettingForm->setVisible(false);
    SettingForm->exec();
    emit SettingsChanged();
}

void TForm1::ToolBtnAutostopClick()
{
    // The button only shows the limit: undo the toggle that the click itself made.
    if (ToolBtnAutostop)
        setAutostopButton(ToolBtnAutostop->property(kPressedProperty).toBool(), ToolBtnAutostop->toolTip());
    if (RecordingSettings.TimeLimit <= 0) {
        if (!TimeLimitForm)
            TimeLimitForm = new TTimeLimitForm(this);
        TimeLimitForm->setVisible(false);
        TimeLimitForm->exec();
    } else {
        RecordingSettings.TimeLimit = -1;
        setAutostopButton(false, tr("No Auto Stop"));
    }
}

void TForm1::setAutostopButton(bool pressed, const QString& hint)
{
    if (!ToolBtnAutostop)
        return;
    ToolBtnAutostop->setProperty(kPressedProperty, pressed);
    ToolBtnAutostop->setCheckable(true);
    ToolBtnAutostop->setChecked(pressed);
    ToolBtnAutostop->setToolTip(hint);
    if (QAction* action = ToolBtnAutostop->defaultAction()) {
        action->setCheckable(true);
        action->setChecked(pressed);
        action->setToolTip(hint);
    }
}
