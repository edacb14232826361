#pragma once

// Program-wide objects of the framework. The main window creates, fills and
// frees them; every subsystem reads them. A module library holds its own
// copies, filled from what the host hands it.

#include <QList>
#include <QVariantMap>
#include <QtGlobal>

class UserItem;
class XWidgetGroupSettings;
class XWidgetPanel;
class XWidgetStandart;
class XWidgetStandartSettings;

// A module library exports its panel pointer under this plain name; the
// programs keep theirs to themselves.
#ifdef XWIDGETS_FULL
#define XWIDGETS_PANEL_EXPORT
#else
#define XWIDGETS_PANEL_EXPORT Q_DECL_EXPORT
#endif

extern XWIDGETS_PANEL_EXPORT XWidgetPanel* XWidgetsPanel;
extern QVariantMap XDialogsGeometry;
extern QList<UserItem*> XUsersList;
extern QList<XWidgetGroupSettings*> XWidgetGroupSettingsList;
extern QList<XWidgetStandartSettings*> XWidgetStandartSettingsList;
extern QList<XWidgetStandart*> XWidgetStandartList;
