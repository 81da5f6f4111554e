// Placeholder; the owner of the main window replaces it.
#include "app/Unit1.h"

TForm1* Form1 = nullptr;
TForm1::TForm1(QWidget* parent) : QMainWindow(parent) { Form1 = this; }
TForm1::~TForm1() { if (Form1 == this) Form1 = nullptr; }
void TForm1::setStatusText(int, const QString&) {}
QString TForm1::statusText(int) const { return {}; }
void TForm1::FormCreate() {}
void TForm1::FormShow() {}
void TForm1::FormClose() {}
void TForm1::Panel1Resize() {}
void TForm1::Exit1Click() {}
void TForm1::Options1Click() {}
void TForm1::PlaybackVolumeControls1Click() {}
void TForm1::FileInfo1Click() {}
void TForm1::showEvent(QShowEvent*) {}
void TForm1::closeEvent(QCloseEvent*) {}
bool TForm1::eventFilter(QObject*, QEvent*) { return false; }
