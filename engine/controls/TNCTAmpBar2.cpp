// Placeholder definitions; the owner of this component replaces them.
#include "engine/controls/TNCTAmpBar2.h"

struct TNCTAmpBar2::Impl {};
TNCTAmpBar2::TNCTAmpBar2(QWidget* parent) : QWidget(parent), d(new Impl) {}
int TNCTAmpBar2::Value() const { return {}; }
void TNCTAmpBar2::setValue(int /*value*/) { }
TNCTAmpBar2::~TNCTAmpBar2() { delete d; }
