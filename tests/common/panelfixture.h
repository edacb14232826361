#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

#include "xwidgetgroupsettings.h"
#include "xwidgetsettings.h"

#include <memory>
#include <vector>

class QSettings;
class QTemporaryDir;
class XWidgetGroup;
class XWidgetPanel;
class XWidgetPanelScrollArea;

// A panel in its scroll area on a settings file of its own, installed as the
// program-wide panel, and the records of the widgets and groups a test puts on
// it. Test classes derive from it next to QObject.
class PanelFixture
{
protected:
    // A fresh temporary settings file for the panel.
    void openSettings();
    // Makes the panel, replacing an earlier one; shows it when asked.
    void createPanel(QSize areaSize = QSize(), bool show = true);
    // Frees the panel with its widgets and groups, then the records.
    void destroyPanel();

    // Records owned by the fixture, for widgets and groups made on the panel.
    XWidgetSettings* addWidgetRecord(const QString& id, QPoint position, const QString& group, QSize size);
    XWidgetGroupSettings* addGroupRecord(const QString& name, QPoint position, QSize size);
    // A group on the panel, in the panel's group list.
    XWidgetGroup* addGroup(XWidgetGroupSettings* record);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> m_settings;
    XWidgetPanelScrollArea* m_area = nullptr;
    XWidgetPanel* m_panel = nullptr;
    std::vector<std::unique_ptr<XWidgetSettings>> m_widgetRecords;
    std::vector<std::unique_ptr<XWidgetGroupSettings>> m_groupRecords;
};
