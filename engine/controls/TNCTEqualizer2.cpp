// Placeholder definitions; the owner of this component replaces them.
#include "engine/controls/TNCTEqualizer2.h"

struct TNCTEqualizer2::Impl {};
TNCTEqualizer2::TNCTEqualizer2(QWidget* parent) : QWidget(parent), d(new Impl) {}
float TNCTEqualizer2::Band(int /*n*/) const { return {}; }
void TNCTEqualizer2::setBand(int /*n*/, float /*value*/) { }
void TNCTEqualizer2::userSetBand(int /*n*/, float /*value*/) { }
QString TNCTEqualizer2::bandLabel(int /*n*/) { return {}; }
TNCTEqualizer2::~TNCTEqualizer2() { delete d; }
