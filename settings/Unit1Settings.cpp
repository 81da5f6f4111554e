// Placeholder definitions; the owner of this area replaces them.
#include "app/Unit1.h"
#include "engine/SampleArray.h"
#include <QFontMetrics>

void TForm1::LoadSettings() { }
void TForm1::SaveTimeLimit() { }
void TForm1::ApplyOutputFormat() { }
void TForm1::Options2Click() { }
void TForm1::ToolBtnAutostopClick() { }
void TForm1::setAutostopButton(bool /*pressed*/, const QString& /*hint*/) { }
