// Placeholder definitions; the owner of this area replaces them.
#include "app/Unit1.h"
#include "engine/SampleArray.h"
#include <QFontMetrics>

void TForm1::StartRecording() { }
void TForm1::PauseRecording() { }
void TForm1::StopRecording() { }
void TForm1::SplitRecording() { }
void TForm1::StartPlayback() { }
void TForm1::FeedPlayback() { }
void TForm1::PausePlayback() { }
void TForm1::StopPlayback() { }
void TForm1::ResetTransportDisplay() { }
void TForm1::Record1Click() { }
void TForm1::Play1Click() { }
void TForm1::Play2Click() { }
void TForm1::Pause1Click() { }
void TForm1::Stop1Click() { }
void TForm1::NCTPlayButtonB1MouseClick(int /*Button*/) { }
void TForm1::NCTPlayButtonB1ChangeVolume(int /*Volume*/) { }
void TForm1::NCTSliderB1MouseDown() { }
void TForm1::NCTSliderB1MouseUp() { }
void TForm1::NCTSliderB1ValueChange(int /*Value*/) { }
void TForm1::AudioPlayer1EndBlockPlay() { }
void TForm1::AudioPlayer1RequestOnLoadBlock() { }
void TForm1::AudioPlayer1EndPlay() { }
void TForm1::AudioPlayer1Timer(int /*CurrentSamples*/, int /*LevelLeft*/, int /*LevelRight*/) { }
void TForm1::AudioRecord1EndBlockRecord(int /*nBlock*/) { }
void TForm1::AudioRecord1Timer(int /*CurrentSamples*/, int /*LevelLeft*/, int /*LevelRight*/) { }
