#include "webquery.h"

#include "item.h"
#include "journalexchangeitem.h"
#include "xhttpmodel.h"
#include "xhttpwidget.h"
#include "xmoduleexports.h"
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
#include <QTimer>
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

Webquery::~Webquery()
{
    releaseComponent();
}

void Webquery::setXwidgetsPanel(QWidget* panel)
{
    // The host's panel class is the one this library was built from; its own
    // type information cannot confirm that across the two builds.
    XWidgetsPanel = static_cast<XWidgetPanel*>(panel);
    m_panel = panel;
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

void Webquery::releaseComponent()
{
    if (!m_component)
        return;
    disconnect(m_component, SIGNAL(destroyed(QObject*)), this, SLOT(componentDestroyed(QObject*)));
    disconnect(m_component, SIGNAL(returnValueUpdatedSignal()), this, SLOT(componentValueUpdated()));
    XWidgetStandartComponent* component = m_component;
    m_component = nullptr;
    if (component->setter() != this)
        return;
    component->setSetter(m_previousSetter);
    // Writability that nobody set is the library's own, which it cannot
    // report: a library object is taken to be writable only when a setter
    // made it so.
    component->setWritable(m_previousWritable.isValid() ? m_previousWritable.toBool() : false);
    m_previousSetter = nullptr;
    m_previousWritable = QVariant();
}

void Webquery::updateComponent()
{
    releaseComponent();
    if (m_settings.xwidget.isEmpty() || m_settings.component.isEmpty() || !m_panel || !XWidgetsPanel)
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
    m_previousSetter = setter == this ? nullptr : setter;
    m_previousWritable = m_component->knownWritable();
    m_component->setWritable(true);
    m_component->setSetter(this);
}

void Webquery::componentDestroyed(QObject* object)
{
    Q_UNUSED(object)
    // Sent from inside the component's destruction, when the guard may
    // already be clear. The widget's settings dialog destroys old components
    // only after it has made their successors: the component of the stored
    // name is looked up again once the destruction is over, and is none when
    // the whole widget, or the panel with it, went.
    m_component = nullptr;
    m_previousSetter = nullptr;
    m_previousWritable = QVariant();
    QTimer::singleShot(0, this, [this] {
        if (!m_component && m_panel)
            updateComponent();
    });
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
    const QUrl url(match->request + suffix, QUrl::TolerantMode);
    // The answer ends up in the tab, the component and so the browser: no
    // local files, resources or other schemes.
    if (!isAllowedUrl(url)) {
        if (journal)
            journal->add(tr("Request <%1> refused: only http and https URLs are sent").arg(value),
                JournalItem::ITEM_LEVEL_CRITICAL);
        return;
    }
    m_network->get(QNetworkRequest(url));
    if (m_widget)
        m_widget->setLastRequest(value);
    if (!m_settings.setAnswerToComponent)
        emit m_component->setValueHandlerSignal(m_component, QVariant(value), this);
}

bool Webquery::isAllowedUrl(const QUrl& url) const
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
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

XMODULE_EXPORTS(Webquery, DESCRIPTION, MODULE_VERSION, MODULE_INTERFACE_VERSION)
