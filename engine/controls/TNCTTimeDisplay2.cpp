// Placeholder definitions; the owner of this component replaces them.
#include "engine/controls/TNCTTimeDisplay2.h"

struct TNCTTimeDisplay2::Impl {};
TNCTTimeDisplay2::TNCTTimeDisplay2(QWidget* parent) : QWidget(parent), d(new Impl) {}
int TNCTTimeDisplay2::Milliseconds() const { return {}; }
void TNCTTimeDisplay2::setMilliseconds(int /*ms*/) { }
int TNCTTimeDisplay2::Hours() const { return {}; }
void TNCTTimeDisplay2::setHours(int /*h*/) { }
int TNCTTimeDisplay2::Minutes() const { return {}; }
void TNCTTimeDisplay2::setMinutes(int /*m*/) { }
int TNCTTimeDisplay2::Seconds() const { return {}; }
void TNCTTimeDisplay2::setSeconds(int /*s*/) { }
QString TNCTTimeDisplay2::text() const { return {}; }
TNCTTimeDisplay2::~TNCTTimeDisplay2() { delete d; }
