#include "plugbaycomponentitem.h"

#include "journalexchangeitem.h"
#include "plugbaybaseclass.h"
#include "xwidgetpanel.h"
#include "xwidgetsettings.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentsettings.h"

#include <QMetaObject>

PlugbayComponentItem::PlugbayComponentItem(JournalExchangeItem* journal, QObject* parent)
    : QObject(parent)
    , journal(journal)
{
}

void PlugbayComponentItem::setWidgetId(const QString& id)
{
    widgetId = id;
    updateXWidget();
    initXwidgetComponent();
}

void PlugbayComponentItem::setWidgetComponentName(const QString& name)
{
    widgetComponentName = name;
    updateXWidget();
    initXwidgetComponent();
}

void PlugbayComponentItem::setValue(QVariant value, QObject* setter)
{
    this->value = value;
    if (initXwidgetComponent())
        emit component->setValueHandlerSignal(component, value, setter);
}

void PlugbayComponentItem::setRange(double min, double max)
{
    if (setter && initXwidgetComponent() && component->setter() == extension)
        component->setRange(min, max, nullptr);
}

void PlugbayComponentItem::setWritable(bool writable)
{
    if (!setter)
        return;
    this->writable = writable;
    if (initXwidgetComponent() && component->setter() == extension)
        component->setWritable(this->writable, nullptr);
}

XWidgetStandartComponent* PlugbayComponentItem::xwidgetComponent() const
{
    if (!xwidget)
        return nullptr;
    for (XWidgetStandartComponent* candidate : qAsConst(xwidget->components)) {
        if (candidate->settings->name == widgetComponentName)
            return candidate;
    }
    return nullptr;
}

void PlugbayComponentItem::updateXWidget()
{
    if (xwidget && xwidget->widgetSettings->id == widgetId)
        return;
    removeXwidget();
    if (widgetId.isEmpty() || !XWidgetsPanel)
        return;
    XWidget* found = XWidgetsPanel->getXWidgetByID(widgetId);
    // The host's type information is not ours: the class is checked by name.
    if (!found || !found->inherits("XWidgetStandart"))
        return;
    xwidget = static_cast<XWidgetStandart*>(found);
    connect(xwidget, SIGNAL(destroyed(QObject*)), this, SLOT(xwidgetDestroyed(QObject*)));
}

void PlugbayComponentItem::removeXwidget()
{
    if (!xwidget)
        return;
    disconnect(xwidget, SIGNAL(destroyed(QObject*)), this, SLOT(xwidgetDestroyed(QObject*)));
    xwidget = nullptr;
}

bool PlugbayComponentItem::initXwidgetComponent()
{
    XWidgetStandartComponent* found = xwidgetComponent();
    if (found == component)
        return !component.isNull();
    component = found;
    if (!found)
        return false;

    QObject* owner = found->setter();
    if (!setter) {
        if (owner == extension)
            found->setSetter(nullptr);
    } else if (!owner || owner == extension) {
        found->setSetter(extension);
    } else if (journal) {
        journal->add(
            tr("Conflict of setters. Widget <%1>, component <%2>").arg(widgetId, widgetComponentName),
            JournalItem::ITEM_LEVEL_CRITICAL);
    }

    // Connections to a component bound before are dropped by the two slots
    // on its next notice.
    connect(found, SIGNAL(valueUpdated()), this, SLOT(componentValueUpdated()), Qt::UniqueConnection);
    connect(found, SIGNAL(returnValueUpdatedSignal()), this, SLOT(componentReturnValueUpdated()),
        Qt::UniqueConnection);
    connect(found, SIGNAL(destroyed()), this, SLOT(componentDestroyed()), Qt::UniqueConnection);

    if (setter && found->setter() == extension)
        found->setWritable(writable, nullptr);

    emit xwidgetComponentConnected(this);
    emit valueUpdatedSignal();
    return true;
}

void PlugbayComponentItem::xwidgetDestroyed(QObject* object)
{
    if (object == xwidget)
        xwidget = nullptr;
}

void PlugbayComponentItem::componentValueUpdated()
{
    if (sender() == component) {
        emit valueUpdatedSignal();
        return;
    }
    disconnect(sender(), SIGNAL(valueUpdated()), this, SLOT(componentValueUpdated()));
}

void PlugbayComponentItem::componentReturnValueUpdated()
{
    if (sender() == component) {
        emit returnValueUpdatedSignal();
        return;
    }
    disconnect(sender(), SIGNAL(returnValueUpdatedSignal()), this, SLOT(componentReturnValueUpdated()));
}

void PlugbayComponentItem::componentDestroyed()
{
    // A component goes either with its widget, which is then half taken down,
    // or because the widget rebuilt its components, whose new ones exist by
    // now. Either way the widget may only be asked once this has settled.
    if (m_rebindPending)
        return;
    m_rebindPending = true;
    QMetaObject::invokeMethod(this, "rebindAfterRebuild", Qt::QueuedConnection);
}

void PlugbayComponentItem::rebindAfterRebuild()
{
    m_rebindPending = false;
    if (xwidget && !component)
        initXwidgetComponent();
}
