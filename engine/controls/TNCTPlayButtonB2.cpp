// Placeholder definitions; the owner of this component replaces them.
#include "engine/controls/TNCTPlayButtonB2.h"

struct TNCTPlayButtonB2::Impl {};
TNCTPlayButtonB2::TNCTPlayButtonB2(QWidget* parent) : QWidget(parent), d(new Impl) {}
void TNCTPlayButtonB2::SetStateRecord() { }
void TNCTPlayButtonB2::SetStatePlay() { }
void TNCTPlayButtonB2::SetStatePause() { }
void TNCTPlayButtonB2::SetStateStop() { }
void TNCTPlayButtonB2::SetVolume(int /*Volume*/) { }
int TNCTPlayButtonB2::Volume() const { return {}; }
bool TNCTPlayButtonB2::Mute() const { return {}; }
void TNCTPlayButtonB2::setMute(bool /*on*/) { }
int TNCTPlayButtonB2::State() const { return {}; }
void TNCTPlayButtonB2::click(int /*Button*/) { }
TNCTPlayButtonB2::~TNCTPlayButtonB2() { delete d; }
