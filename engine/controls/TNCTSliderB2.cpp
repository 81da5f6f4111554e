// Placeholder definitions; the owner of this component replaces them.
#include "engine/controls/TNCTSliderB2.h"

struct TNCTSliderB2::Impl {};
TNCTSliderB2::TNCTSliderB2(QWidget* parent) : QWidget(parent), d(new Impl) {}
int TNCTSliderB2::Value() const { return {}; }
void TNCTSliderB2::setValue(int /*value*/) { }
QColor TNCTSliderB2::StripColor() const { return {}; }
void TNCTSliderB2::setStripColor(const QColor& /*c*/) { }
TNCTSliderB2::~TNCTSliderB2() { delete d; }
