#include "xwplabel.h"

// The host resolves these by their plain names.
extern "C" {

Q_DECL_EXPORT XwpLabel* object = nullptr;

Q_DECL_EXPORT XWidgetStandartComponentBaseClass* makeObject()
{
    object = new XwpLabel;
    return object;
}
}
