#pragma once

// A panel in this process for the web exchange: groups, standard widgets with
// a real Vistag label each, and the users the server signs in.

#include "testappfolder.h"
#include "useritem.h"
#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetpanel.h"
#include "xwidgetsettings.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponentsettings.h"
#include "xwidgetstandartsettings.h"

#include <QList>
#include <QPoint>
#include <QSize>
#include <memory>
#include <vector>

namespace WebTest {

// Undefined shows "none" in red, any value "v=<value>" in green: a label that
// is not static, so every exchange reports it.
inline QVariantMap labelSettings()
{
    const QVariantMap undefined { { "condition", 4 }, { "value", "" }, { "text", "none" },
        { "color", "#ff0000" } };
    const QVariantMap other { { "condition", 3 }, { "value", "" }, { "text", "v=%%value%%" },
        { "color", "#00ff00" } };
    return { { "font", "DejaVu Sans,10,-1,5,50,0,0,0,0,0" },
        { "items", QVariantMap { { "0", undefined }, { "1", other } } } };
}

class Panel
{
public:
    Panel()
    {
        TestAppFolder::linkStagedFolders();
        m_panel = std::make_unique<XWidgetPanel>(nullptr, nullptr);
        XWidgetsPanel = m_panel.get();
    }

    ~Panel()
    {
        qDeleteAll(XUsersList);
        XUsersList.clear();
        // Widgets first: they leave their groups, which point into the records.
        for (XWidgetStandart* widget : m_widgets)
            delete widget;
        for (XWidget* widget : m_plainWidgets)
            delete widget;
        for (XWidgetGroup* group : qAsConst(*m_panel->groups))
            delete group;
        m_panel->groups->clear();
        XWidgetsPanel = nullptr;
        m_panel.reset();
    }

    XWidgetGroup* addGroup(const QString& name, QPoint position, QSize size, bool useImage = false,
        const QString& imageFile = QString())
    {
        auto record = std::make_unique<XWidgetGroupSettings>();
        record->name = name;
        record->position = position;
        record->size = size;
        record->useImage = useImage;
        record->imageFile = imageFile;
        auto* group = new XWidgetGroup(record.get(), m_panel.get());
        m_panel->groups->append(group);
        m_groupRecords.push_back(std::move(record));
        return group;
    }

    // A standard widget with one Vistag label, in the named group (or on the
    // panel when the name is empty).
    XWidgetStandart* addWidget(const QString& id, const QString& group, QPoint position = QPoint(10, 30))
    {
        return addWidget(
            id, group, { { QStringLiteral("label"), QStringLiteral("Vistag"), labelSettings() } }, position);
    }

    struct Component
    {
        QString name;
        QString libName;
        QVariantMap libSettings;
    };

    XWidgetStandart* addWidget(const QString& id, const QString& group, const QList<Component>& components,
        QPoint position = QPoint(10, 30))
    {
        auto record = std::make_unique<XWidgetStandartSettings>();
        record->base.id = id;
        record->base.group = group;
        record->base.position = position;
        record->base.size = QSize(120, 30);
        record->name = id;
        for (const Component& component : components) {
            auto* componentRecord = new XWidgetStandartComponentSettings;
            componentRecord->name = component.name;
            componentRecord->libName = component.libName;
            componentRecord->libSettings = component.libSettings;
            record->components.append(componentRecord);
        }
        auto* widget = new XWidgetStandart(record.get(), nullptr, m_panel.get());
        m_widgets.push_back(widget);
        m_widgetRecords.push_back(std::move(record));
        return widget;
    }

    // A plain base widget in the named group, its record applied; the caller
    // fills its layout.
    XWidget* addPlainWidget(const QString& id, const QString& group, QPoint position, QSize size)
    {
        auto record = std::make_unique<XWidgetSettings>();
        record->id = id;
        record->group = group;
        record->position = position;
        record->size = size;
        auto* widget = new XWidget(record.get(), m_panel.get());
        widget->acceptSettings();
        m_plainWidgets.push_back(widget);
        m_plainRecords.push_back(std::move(record));
        return widget;
    }

    // Deletes the widget and makes it anew with the same ID, as an operator
    // removing and re-adding it would.
    XWidgetStandart* rebuild(int index)
    {
        XWidgetStandart* old = m_widgets.at(size_t(index));
        const QString id = old->id();
        const QString group = m_widgetRecords.at(size_t(index))->base.group;
        delete old;
        m_widgets.erase(m_widgets.begin() + index);
        m_widgetRecords.erase(m_widgetRecords.begin() + index);
        return addWidget(id, group);
    }

    int widgetCount() const { return int(m_widgets.size()); }

    static UserItem* addUser(const QString& userName, const QString& password,
        const QMap<QString, UserItem_ACCESS_TYPE>& access, bool saveParametersWEB = false)
    {
        auto* user = new UserItem;
        user->userName = userName;
        user->password = password;
        user->fullName = userName + QStringLiteral(" full");
        user->post = QStringLiteral("post");
        user->phone = QStringLiteral("123");
        user->email = QStringLiteral("a@b.c");
        user->access = access;
        user->saveParametersWEB = saveParametersWEB;
        XUsersList.append(user);
        return user;
    }

private:
    std::unique_ptr<XWidgetPanel> m_panel;
    std::vector<std::unique_ptr<XWidgetGroupSettings>> m_groupRecords;
    std::vector<std::unique_ptr<XWidgetStandartSettings>> m_widgetRecords;
    std::vector<XWidgetStandart*> m_widgets;
    std::vector<std::unique_ptr<XWidgetSettings>> m_plainRecords;
    std::vector<XWidget*> m_plainWidgets;
};

}
