// Placeholder definitions; the owner of this area replaces them.
#include "app/Unit1.h"
#include "engine/SampleArray.h"
#include <QFontMetrics>

void TForm1::TimerTipTimer() { }
void TForm1::ipoftheDay1Click() { }
void TForm1::ToolBtnAboutClick() { }
void TForm1::HelpContents2Click() { }
void TForm1::Homepage2Click() { }
