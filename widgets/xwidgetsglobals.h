#pragma once

// Program-wide objects of the framework. The main window creates, fills and
// frees them; every subsystem reads them. A module library holds its own
// copies, filled from what the host hands it.

#include <QList>
#include <QVariantMap>

class UserItem;
class XWidgetGroupSettings;
class XWidgetPanel;
class XWidgetStandart;
class XWidgetStandartSettings;

extern XWidgetPanel* XWidgetsPanel;
extern QVariantMap XDialogsGeometry;
extern QList<UserItem*> XUsersList;
extern QList<XWidgetGroupSettings*> XWidgetGroupSettingsList;
extern QList<XWidgetStandartSettings*> XWidgetStandartSettingsList;
extern QList<XWidgetStandart*> XWidgetStandartList;
