#include "xwidgetstandartcomponentempty.h"

void XWidgetStandartComponentEmpty::setWritable(bool v)
{
    writable = v;
}

void XWidgetStandartComponentEmpty::setValue(QVariant v)
{
    // A new value outdates whatever was meant for the setter before it.
    returnValue = QVariant();
    XWidgetStandartComponentBaseClass::setValue(v);
}

void XWidgetStandartComponentEmpty::setReturnValue(QVariant v)
{
    if (!v.isValid())
        return;
    returnValue = v;
    returnValueUpdated();
}

QVariant XWidgetStandartComponentEmpty::getValue()
{
    if (!writable)
        return QVariant();
    return returnValue.isValid() ? returnValue : lastSetValue();
}
