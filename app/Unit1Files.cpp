// Placeholder definitions; the owner of this area replaces them.
#include "app/Unit1.h"
#include "engine/SampleArray.h"
#include <QFontMetrics>

void TForm1::NewRecordingFile() { }
void TForm1::LoadCurrentFile() { }
void TForm1::AddFileRow(const QString& /*Path*/) { }
QString TForm1::DurationText(int /*S*/) { return {}; }
QString TForm1::ShortenPath(const QString& /*path*/, const QFontMetrics& /*metrics*/, int /*width*/) { return {}; }
void TForm1::Open1Click() { }
void TForm1::ListView1SelectItem() { }
void TForm1::Rename1Click() { }
void TForm1::Delete2Click() { }
void TForm1::Delete1Click() { }
