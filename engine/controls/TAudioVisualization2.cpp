// Placeholder definitions; the owner of this component replaces them.
#include "engine/controls/TAudioVisualization2.h"

struct TAudioVisualization2::Impl {};
TAudioVisualization2::TAudioVisualization2(QWidget* parent) : QWidget(parent), d(new Impl) {}
void TAudioVisualization2::ShowArray(const SampleArray& /*block*/) { }
int TAudioVisualization2::WindowArraySize() const { return {}; }
void TAudioVisualization2::setWindowArraySize(int /*n*/) { }
int TAudioVisualization2::WindowFFTType() const { return {}; }
void TAudioVisualization2::setWindowFFTType(int /*t*/) { }
int TAudioVisualization2::VisType() const { return {}; }
void TAudioVisualization2::setVisType(int /*t*/) { }
int TAudioVisualization2::GridYMin() const { return {}; }
void TAudioVisualization2::setGridYMin(int /*v*/) { }
int TAudioVisualization2::GridYMax() const { return {}; }
void TAudioVisualization2::setGridYMax(int /*v*/) { }
QColor TAudioVisualization2::BackColor() const { return {}; }
void TAudioVisualization2::setBackColor(const QColor& /*c*/) { }
QColor TAudioVisualization2::GridColor() const { return {}; }
void TAudioVisualization2::setGridColor(const QColor& /*c*/) { }
QColor TAudioVisualization2::ScaleColor() const { return {}; }
void TAudioVisualization2::setScaleColor(const QColor& /*c*/) { }
QColor TAudioVisualization2::TextColor() const { return {}; }
void TAudioVisualization2::setTextColor(const QColor& /*c*/) { }
QColor TAudioVisualization2::LineColorLeft() const { return {}; }
void TAudioVisualization2::setLineColorLeft(const QColor& /*c*/) { }
QColor TAudioVisualization2::LineColorRight() const { return {}; }
void TAudioVisualization2::setLineColorRight(const QColor& /*c*/) { }
QColor TAudioVisualization2::BorderColor() const { return {}; }
void TAudioVisualization2::setBorderColor(const QColor& /*c*/) { }
bool TAudioVisualization2::GridVisible() const { return {}; }
void TAudioVisualization2::setGridVisible(bool /*on*/) { }
bool TAudioVisualization2::ScaleXVisible() const { return {}; }
void TAudioVisualization2::setScaleXVisible(bool /*on*/) { }
bool TAudioVisualization2::ScaleYVisible() const { return {}; }
void TAudioVisualization2::setScaleYVisible(bool /*on*/) { }
int TAudioVisualization2::BorderStyle() const { return {}; }
void TAudioVisualization2::setBorderStyle(int /*s*/) { }
void TAudioVisualization2::paintEvent(QPaintEvent* /*event*/) { }
TAudioVisualization2::~TAudioVisualization2() { delete d; }
