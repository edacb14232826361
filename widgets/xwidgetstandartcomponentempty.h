#pragma once

#include "xwidgetstandartcomponentbaseclass.h"

// The host's own object for a component that names no library: it only holds
// a value, and a return value for the setter.
class XWidgetStandartComponentEmpty : public XWidgetStandartComponentBaseClass
{
    Q_OBJECT

public:
    XWidgetStandartComponentEmpty() = default;

    void setWritable(bool v) override;
    void setValue(QVariant v) override;
    void setReturnValue(QVariant v) override;
    QVariant getValue() override;
    bool isWritable() const { return writable; }

private:
    bool writable = true;
    QVariant returnValue;
};
