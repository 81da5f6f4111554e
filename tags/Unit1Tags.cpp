// Placeholder definitions; the owner of this area replaces them.
#include "app/Unit1.h"
#include "engine/SampleArray.h"
#include <QFontMetrics>

void TForm1::FillGenreList() { }
void TForm1::btnResetClick() { }
void TForm1::btnApplyClick() { }
void TForm1::infoMTVClick() { }
void TForm1::TabSheet2Resize() { }
QString TForm1::ShortFormatText(const QString& /*Text*/) { return {}; }
