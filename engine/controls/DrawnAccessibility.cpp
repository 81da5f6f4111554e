#include "engine/controls/DrawnAccessibility.h"

#include "engine/controls/TAudioVisualization2.h"
#include "engine/controls/TNCTAmpBar2.h"
#include "engine/controls/TNCTTimeDisplay2.h"

#include <QAccessibleWidget>
#include <QWidget>
#include <cmath>
#include <memory>

namespace {

// The level meter: a linear peak 0..32767, told in dB of full scale.
class MeterValue : public AccessibleValue {
public:
    explicit MeterValue(TNCTAmpBar2* bar) : bar_(bar) {}
    QAccessible::Role accessibleRole() const override { return QAccessible::ProgressBar; }
    QVariant accessibleValue() const override { return bar_->Value(); }
    QVariant accessibleMinimum() const override { return 0; }
    QVariant accessibleMaximum() const override { return 32767; }
    QString accessibleValueText() const override
    {
        const int v = bar_->Value();
        if (v <= 0)
            return TNCTAmpBar2::tr("тишина");
        return TNCTAmpBar2::tr("%1 дБ").arg(std::lround(20.0 * std::log10(v / 32767.0)));
    }
    void setAccessibleValue(const QVariant&) override {}   // shows a level; the user sets none

private:
    TNCTAmpBar2* bar_;
};

// The time display: seconds, told as the display shows them ("0:01:23").
class ClockValue : public AccessibleValue {
public:
    explicit ClockValue(TNCTTimeDisplay2* clock) : clock_(clock) {}
    QAccessible::Role accessibleRole() const override { return QAccessible::Clock; }
    QVariant accessibleValue() const override { return clock_->Milliseconds() / 1000; }
    QVariant accessibleMinimum() const override { return 0; }
    QVariant accessibleMaximum() const override { return QVariant(); }
    QString accessibleValueText() const override { return clock_->text(); }
    void setAccessibleValue(const QVariant&) override {}

private:
    TNCTTimeDisplay2* clock_;
};

class DrawnControlInterface : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    // `value` is the widget itself (a face) or an adapter the interface owns; null for a
    // control without a value (the picture).
    DrawnControlInterface(QWidget* w, QAccessible::Role role, AccessibleValue* value,
                          std::unique_ptr<AccessibleValue> owned = nullptr)
        : QAccessibleWidget(w, role), value_(value), owned_(std::move(owned))
    {
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface && value_)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return value_ ? value_->accessibleValueText() : QString();
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty()) {
            // A face speaks with its control's name.
            if (const QWidget* control = widget()->parentWidget())
                s = control->accessibleName();
        }
        return s;
    }

    QVariant currentValue() const override { return value_ ? value_->accessibleValue() : QVariant(); }
    void setCurrentValue(const QVariant& v) override
    {
        if (value_ && widget()->isEnabled())
            value_->setAccessibleValue(v);
    }
    QVariant maximumValue() const override { return value_ ? value_->accessibleMaximum() : QVariant(); }
    QVariant minimumValue() const override { return value_ ? value_->accessibleMinimum() : QVariant(); }
    QVariant minimumStepSize() const override { return value_ ? value_->accessibleStep() : QVariant(); }

private:
    AccessibleValue* value_;
    std::unique_ptr<AccessibleValue> owned_;
};

QAccessibleInterface* drawnControlFactory(const QString& /*className*/, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* w = static_cast<QWidget*>(object);
    if (auto* bar = qobject_cast<TNCTAmpBar2*>(w)) {
        auto value = std::make_unique<MeterValue>(bar);
        AccessibleValue* v = value.get();
        return new DrawnControlInterface(w, v->accessibleRole(), v, std::move(value));
    }
    if (auto* clock = qobject_cast<TNCTTimeDisplay2*>(w)) {
        auto value = std::make_unique<ClockValue>(clock);
        AccessibleValue* v = value.get();
        return new DrawnControlInterface(w, v->accessibleRole(), v, std::move(value));
    }
    if (qobject_cast<TAudioVisualization2*>(w))
        return new DrawnControlInterface(w, QAccessible::Graphic, nullptr);
    if (auto* face = dynamic_cast<AccessibleValue*>(w))
        return new DrawnControlInterface(w, face->accessibleRole(), face);
    return nullptr;
}

} // namespace

void InstallDrawnControlAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(&drawnControlFactory);
        return true;
    }();
    (void)installed;
}

void NotifyAccessibleValue(QWidget* face, const QVariant& value)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent event(face, value);
    QAccessible::updateAccessibility(&event);
}
