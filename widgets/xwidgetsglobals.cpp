#include "xwidgetsglobals.h"

XWIDGETS_PANEL_EXPORT XWidgetPanel* XWidgetsPanel = nullptr;
QVariantMap XDialogsGeometry;
QList<UserItem*> XUsersList;
QList<XWidgetGroupSettings*> XWidgetGroupSettingsList;
QList<XWidgetStandartSettings*> XWidgetStandartSettingsList;
QList<XWidgetStandart*> XWidgetStandartList;
