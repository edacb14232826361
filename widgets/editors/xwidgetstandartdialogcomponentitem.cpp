#include "xwidgetstandartdialogcomponentitem.h"

#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentbaseclass.h"
#include "xwidgetstandartcomponentsettings.h"

XWidgetStandartDialogComponentItem::XWidgetStandartDialogComponentItem(const QString& name,
    const QString& libName, const QString& connectToComponent, XWidgetStandartComponent* component)
    : component(component)
    , settings(component ? component->settings : nullptr)
    , name(name)
    , libName(libName)
    , connectToComponent(connectToComponent)
    , initialName(name)
    , initialLibName(libName)
    , initialConnectToComponent(connectToComponent)
{
}

XWidgetStandartDialogComponentItem::XWidgetStandartDialogComponentItem(
    XWidgetStandartComponentSettings* settings)
    : XWidgetStandartDialogComponentItem(settings->name, settings->libName, settings->connectToComponent)
{
    this->settings = settings;
}

void XWidgetStandartDialogComponentItem::setName(const QString& newName)
{
    if (newName != name) {
        component = nullptr;
        m_startComponent = nullptr;
    }
    name = newName;
}

void XWidgetStandartDialogComponentItem::setLibName(const QString& newLibName)
{
    if (newLibName == libName)
        return;
    if (libName == initialLibName) {
        m_startComponent = component;
        m_startSettings = settings;
    }
    component = nullptr;
    settings = nullptr;
    editedLibSettings.clear();
    if (newLibName == initialLibName) {
        component = m_startComponent;
        settings = m_startSettings;
        m_startComponent = nullptr;
        m_startSettings = nullptr;
    }
    libName = newLibName;
}

bool XWidgetStandartDialogComponentItem::isChanged() const
{
    return name != initialName || libName != initialLibName || connectToComponent != initialConnectToComponent
        || !editedLibSettings.isEmpty();
}

QVariantMap XWidgetStandartDialogComponentItem::libSettings() const
{
    if (!editedLibSettings.isEmpty())
        return editedLibSettings;
    if (component && component->object)
        return component->object->getMap();
    // A row that lost its component to a new name, or came from a kit, still
    // holds the library settings in its record; they must survive the apply.
    if (settings)
        return settings->libSettings;
    return QVariantMap();
}

bool XWidgetStandartDialogComponentItem::canCopy() const
{
    return !libName.isEmpty() && !libSettings().isEmpty();
}
