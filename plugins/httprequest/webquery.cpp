#include "webquery.h"

#include "item.h"
#include "journalexchangeitem.h"
#include "webquerytransfers.h"
#include "xhttpmodel.h"
#include "xhttpwidget.h"
#include "xmoduleexports.h"
#include "xwidgetpanel.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentsettings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QUrl>

namespace {
const char DESCRIPTION[] = "HTTP request";
const int MODULE_VERSION = 0x10001;
const int MODULE_INTERFACE_VERSION = 1;

const int REQUEST_DEADLINE_MS = 10 * 1000;
// Requests sent to one server that have not finished: a flood of values
// beyond them is dropped rather than kept. Counted per server, so that one
// that never answers holds up none of the others.
const int MAX_WAITING_PER_SERVER = 64;
// And to all servers together, which a value may name through its extra end.
const int MAX_WAITING_IN_ALL = 512;

QString serverOf(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return QStringLiteral("%1://%2:%3")
        .arg(scheme, url.host().toLower())
        .arg(url.port(scheme == QLatin1String("https") ? 443 : 80));
}
}

Webquery::Webquery()
    : m_network(std::make_unique<WebqueryTransfers>())
    , m_requestDeadline(REQUEST_DEADLINE_MS)
{
    connect(m_network.get(), &WebqueryTransfers::finished, this, &Webquery::networkFinished,
        Qt::QueuedConnection);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &Webquery::stopAll);
}

Webquery::~Webquery()
{
    stopAll();
    // Joins the transfer thread; what it reported meanwhile is dropped with
    // this object's queued calls.
    m_network.reset();
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
        journalCritical(tr("Request <%1> refused: only http and https URLs are sent").arg(value));
        return;
    }
    if (m_exiting)
        return;
    const QString server = serverOf(url);
    int bound = 0;
    if (m_transfers.size() >= MAX_WAITING_IN_ALL)
        bound = MAX_WAITING_IN_ALL;
    else if (m_waitingByServer.value(server) >= MAX_WAITING_PER_SERVER)
        bound = MAX_WAITING_PER_SERVER;
    if (bound) {
        journalCritical(tr("Request <%1> not sent: %2 requests are waiting already").arg(value).arg(bound));
        return;
    }
    const quint64 id = ++m_lastId;
    m_transfers.insert(id, { value, server, m_requestDeadline });
    ++m_waitingByServer[server];
    m_network->get(id, url, QDeadlineTimer(m_requestDeadline, Qt::PreciseTimer));
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

void Webquery::journalCritical(const QString& text)
{
    if (journal)
        journal->add(text, JournalItem::ITEM_LEVEL_CRITICAL);
}

void Webquery::stopAll()
{
    m_exiting = true;
    m_transfers.clear();
    m_waitingByServer.clear();
    m_network->dropAll();
}

void Webquery::networkFinished(quint64 id, int outcome, const QByteArray& body, const QString& reason)
{
    const auto found = m_transfers.find(id);
    if (found == m_transfers.end())
        return;
    const Transfer transfer = found.value();
    m_transfers.erase(found);
    const auto waiting = m_waitingByServer.find(transfer.server);
    if (waiting != m_waitingByServer.end() && --waiting.value() <= 0)
        m_waitingByServer.erase(waiting);

    switch (outcome) {
    case WebqueryTransfers::TooLarge:
        journalCritical(tr("Request <%1> aborted: the answer is larger than %2 bytes")
                            .arg(transfer.name)
                            .arg(WebqueryTransfers::MAX_ANSWER_SIZE));
        return;
    case WebqueryTransfers::TimedOut:
        journalCritical(tr("Request <%1> aborted: no answer within %2 s")
                            .arg(transfer.name)
                            .arg(transfer.deadlineMs / 1000.0));
        return;
    case WebqueryTransfers::Answered:
        break;
    default:
        journalCritical(tr("Request <%1> failed: %2").arg(transfer.name, reason));
        return;
    }
    const int zero = body.indexOf('\0');
    const QString answer = QString::fromUtf8(zero >= 0 ? body.left(zero) : body);
    if (m_widget)
        m_widget->setLastAnswer(answer);
    if (m_settings.setAnswerToComponent && m_component)
        emit m_component->setValueHandlerSignal(m_component, QVariant(answer), this);
}

XMODULE_EXPORTS(Webquery, DESCRIPTION, MODULE_VERSION, MODULE_INTERFACE_VERSION)
