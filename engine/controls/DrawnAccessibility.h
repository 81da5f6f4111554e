#pragma once
// What a screen reader learns of the drawn controls. Each control has an accessible name in the
// interface's language (its own default, which the host may replace with setAccessibleName);
// the position slider, the volume control, the equaliser, the level meters and the time display
// also tell their value. The accessible interfaces read the values only when a screen reader
// asks for them: drawing and the host's ticks cost nothing more.
//
// A focusable face of a control (the part that takes the keyboard) derives from AccessibleValue;
// the meters, the time display and the picture are described from their public properties.
// Without a name of its own, a face takes its control's.
#include <QAccessible>
#include <QString>
#include <QVariant>

class QWidget;

class AccessibleValue {
public:
    virtual ~AccessibleValue() = default;
    virtual QAccessible::Role accessibleRole() const = 0;
    virtual QVariant accessibleValue() const = 0;
    virtual QVariant accessibleMinimum() const = 0;
    virtual QVariant accessibleMaximum() const = 0;
    virtual QVariant accessibleStep() const { return 1; }
    virtual QString accessibleValueText() const { return accessibleValue().toString(); }
    // A value set by the screen reader, as the user would set it (the control's own events).
    virtual void setAccessibleValue(const QVariant& value) = 0;
};

// Makes QAccessible build the interfaces of the drawn controls; each control's constructor
// calls it (the first call installs the factory).
void InstallDrawnControlAccessibility();

// Tells a listening screen reader that a face's value changed by the user's hand (keys, mouse);
// nothing when no screen reader listens.
void NotifyAccessibleValue(QWidget* face, const QVariant& value);
