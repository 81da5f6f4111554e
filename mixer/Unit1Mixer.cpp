// Placeholder definitions; the owner of this area replaces them.
#include "app/Unit1.h"
#include "engine/SampleArray.h"
#include <QFontMetrics>

void TForm1::FillOutputDevices() { }
void TForm1::FillInputDevices() { }
void TForm1::DeviceComboClick() { }
void TForm1::DeviceComboInClick() { }
void TForm1::BuildOutputMixer() { }
void TForm1::BuildInputMixer() { }
void TForm1::OutVolumeChange(QObject* /*Sender*/) { }
void TForm1::OutBalanceChange(QObject* /*Sender*/) { }
void TForm1::OutMuteClick(QObject* /*Sender*/) { }
void TForm1::OutAdvancedClick(QObject* /*Sender*/) { }
void TForm1::InVolumeChange(QObject* /*Sender*/) { }
void TForm1::InBalanceChange(QObject* /*Sender*/) { }
void TForm1::InSelectClick(QObject* /*Sender*/) { }
void TForm1::InAdvancedClick(QObject* /*Sender*/) { }
void TForm1::TabSheet3Resize() { }
void TForm1::TabSheet4Resize() { }
void TForm1::LoadRecordFilterDialog() { }
void TForm1::btnSetFilterClick() { }
void TForm1::chEqualizerClick() { }
void TForm1::ToolBtnEqualizerClick() { }
void TForm1::ComboBox1Click() { }
void TForm1::ComboBox2Click() { }
void TForm1::RadioGroup1Click() { }
void TForm1::ShowPicture(SampleArray& /*block*/) { }
