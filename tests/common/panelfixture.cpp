#include "panelfixture.h"

#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetpanel.h"
#include "xwidgetpanelscrollarea.h"
#include "xwidgetsettings.h"
#include "xwidgetsglobals.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

void PanelFixture::openSettings()
{
    m_dir.reset(new QTemporaryDir);
    m_settings.reset(new QSettings(m_dir->filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
}

void PanelFixture::createPanel(QSize areaSize, bool show)
{
    delete m_area;
    m_area = new XWidgetPanelScrollArea;
    if (areaSize.isValid())
        m_area->resize(areaSize);
    m_panel = new XWidgetPanel(m_settings.get(), m_area);
    XWidgetsPanel = m_panel;
    if (show) {
        m_area->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_area));
    }
}

void PanelFixture::destroyPanel()
{
    delete m_area;
    m_area = nullptr;
    m_panel = nullptr;
    XWidgetsPanel = nullptr;
    m_widgetRecords.clear();
    m_groupRecords.clear();
    m_settings.reset();
    m_dir.reset();
}

XWidgetSettings* PanelFixture::addWidgetRecord(
    const QString& id, QPoint position, const QString& group, QSize size)
{
    m_widgetRecords.emplace_back(new XWidgetSettings);
    XWidgetSettings* record = m_widgetRecords.back().get();
    record->id = id;
    record->position = position;
    record->group = group;
    record->size = size;
    return record;
}

XWidgetGroupSettings* PanelFixture::addGroupRecord(const QString& name, QPoint position, QSize size)
{
    m_groupRecords.emplace_back(new XWidgetGroupSettings);
    XWidgetGroupSettings* record = m_groupRecords.back().get();
    record->name = name;
    record->position = position;
    record->size = size;
    return record;
}

XWidgetGroup* PanelFixture::addGroup(XWidgetGroupSettings* record)
{
    auto* group = new XWidgetGroup(record, m_panel);
    m_panel->groups->append(group);
    return group;
}
