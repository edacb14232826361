#include "webquery.h"

#include "item.h"
#include "journalexchangeitem.h"
#include "xhttpmodel.h"
#include "xhttpwidget.h"
#include "xwidgetpanel.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentsettings.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QTableView>
#include <QUrl>

namespace {
const char DESCRIPTION[] = "HTTP request";
const int MODULE_VERSION = 0x10001;
const int MODULE_INTERFACE_VERSION = 1;
}

Webquery::Webquery()
    : m_network(new QNetworkAccessManager(this))
{
    connect(m_network, SIGNAL(finished(QNetworkReply*)), this, SLOT(networkFinished(QNetworkReply*)));
}

void Webquery::setXwidgetsPanel(QWidget* panel)
{
    // The host's panel class is the one this library was built from; its own
    // type information cannot confirm that across the two builds.
    XWidgetsPanel = static_cast<XWidgetPanel*>(panel);
}

void Webquery::setMap(QMap<QString, QVariant> map)
{
    m_storedMap = map;
}

void Webquery::init()
{
    m_settings.setMap(m_storedMap);
    m_widget = new XHttpWidget(&m_settings);
    m_model = new XHttpModel(&m_settings.items, this);
    m_widget->table()->setModel(m_model);
    connect(m_widget->addButton(), SIGNAL(clicked()), m_model, SLOT(addNewItem()));
    connect(m_widget, SIGNAL(removeItem(int)), m_model, SLOT(deleteItem(int)));
    m_widget->loadFromSettings();
    connect(m_widget, SIGNAL(componentUpdatedSignal()), this, SLOT(updateComponent()));
    updateComponent();
}

QWidget* Webquery::getWidget()
{
    return m_widget;
}

QMap<QString, QVariant> Webquery::getMap()
{
    return m_settings.getMap();
}

void Webquery::updateComponent()
{
    if (m_component) {
        disconnect(m_component, SIGNAL(destroyed(QObject*)), this, SLOT(componentDestroyed(QObject*)));
        disconnect(m_component, SIGNAL(returnValueUpdatedSignal()), this, SLOT(componentValueUpdated()));
        m_component = nullptr;
    }
    if (m_settings.xwidget.isEmpty() || m_settings.component.isEmpty() || !XWidgetsPanel)
        return;
    XWidget* widget = XWidgetsPanel->getXWidgetByID(m_settings.xwidget);
    // The host's type information is not ours: the class is checked by name.
    if (!widget || !widget->inherits("XWidgetStandart"))
        return;
    const auto* standart = static_cast<XWidgetStandart*>(widget);
    XWidgetStandartComponent* found = nullptr;
    for (XWidgetStandartComponent* component : standart->components) {
        if (component->settings->name == m_settings.component) {
            found = component;
            break;
        }
    }
    if (!found)
        return;

    m_component = found;
    connect(m_component, SIGNAL(destroyed(QObject*)), this, SLOT(componentDestroyed(QObject*)));
    connect(m_component, SIGNAL(returnValueUpdatedSignal()), this, SLOT(componentValueUpdated()));
    QObject* setter = m_component->setter();
    if (setter && setter != this && journal)
        journal->add(tr("Conflict of setters."), JournalItem::ITEM_LEVEL_CRITICAL);
    m_component->setWritable(true);
    m_component->setSetter(this);
}

void Webquery::componentDestroyed(QObject* object)
{
    if (object == m_component)
        m_component = nullptr;
}

void Webquery::componentValueUpdated()
{
    if (!m_component || sender() != m_component)
        return;
    QString value = m_component->getValue().toString();
    QString suffix;
    const QString& divider = m_settings.extraEndDivider;
    if (m_settings.useExtraEnd && !divider.isEmpty() && value.contains(divider)) {
        const QStringList parts = value.split(divider);
        value = parts.at(0);
        suffix = parts.at(1);
    }

    const Item* match = nullptr;
    for (const Item* item : qAsConst(m_settings.items)) {
        if (!item->name.isEmpty() && item->name == value) {
            match = item;
            break;
        }
    }
    if (!match)
        return;

    if (match->request.isEmpty()) {
        if (m_widget)
            m_widget->setLastRequest(QString());
        return;
    }
    m_network->get(QNetworkRequest(QUrl(match->request + suffix, QUrl::TolerantMode)));
    if (m_widget)
        m_widget->setLastRequest(value);
    if (!m_settings.setAnswerToComponent)
        emit m_component->setValueHandlerSignal(m_component, QVariant(value), this);
}

void Webquery::networkFinished(QNetworkReply* reply)
{
    QByteArray body = reply->readAll();
    const int zero = body.indexOf('\0');
    if (zero >= 0)
        body.truncate(zero);
    const QString answer = QString::fromUtf8(body);
    reply->deleteLater();
    if (m_widget)
        m_widget->setLastAnswer(answer);
    if (m_settings.setAnswerToComponent && m_component)
        emit m_component->setValueHandlerSignal(m_component, QVariant(answer), this);
}

extern "C" Q_DECL_EXPORT int getQtVersion()
{
    // The host compares this with its own build: report the Qt this library
    // was really built against.
    return QT_VERSION;
}

extern "C" Q_DECL_EXPORT XModuleBase* makeObject()
{
    return new Webquery;
}

extern "C" Q_DECL_EXPORT int getVersion()
{
    return MODULE_VERSION;
}

extern "C" Q_DECL_EXPORT QString description()
{
    return QLatin1String(DESCRIPTION);
}

extern "C" Q_DECL_EXPORT int getModuleVersion()
{
    return MODULE_INTERFACE_VERSION;
}
