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

#include <QCoreApplication>
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

// An answer goes whole into the tab, the component and every browser that
// shows it; counted as Qt hands it over, i.e. after decompression.
const qint64 MAX_ANSWER_SIZE = 4 * 1024 * 1024;
// What Qt itself may hold of an answer that the module has not read yet.
const qint64 READ_BUFFER_SIZE = 64 * 1024;
const int REQUEST_DEADLINE_MS = 10 * 1000;
// Requests sent or queued that have not finished; a flood of values beyond
// them is dropped rather than kept.
const int MAX_WAITING_REQUESTS = 64;
// Qt opens no more connections than this to one server and queues the rest
// out of sight. Requests wait here instead, so that a request's deadline
// starts only when it has its connection: one behind hung requests is still
// sent once they time out.
const int CONNECTIONS_PER_SERVER = 6;

QString serverOf(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return QStringLiteral("%1://%2:%3")
        .arg(scheme, url.host().toLower())
        .arg(url.port(scheme == QLatin1String("https") ? 443 : 80));
}

// A reply with an HTTP status is an answer, an error page among them; a
// transfer that broke off, even after the status, is not.
bool failedInTransfer(const QNetworkReply* reply)
{
    const QNetworkReply::NetworkError error = reply->error();
    if (error == QNetworkReply::NoError)
        return false;
    if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return true;
    return error < QNetworkReply::ProxyConnectionRefusedError || error == QNetworkReply::ProtocolFailure;
}
}

Webquery::Webquery()
    : m_network(new QNetworkAccessManager(this))
    , m_requestDeadline(REQUEST_DEADLINE_MS)
{
    connect(m_network, SIGNAL(finished(QNetworkReply*)), this, SLOT(networkFinished(QNetworkReply*)));
    connect(qApp, &QCoreApplication::aboutToQuit, this, &Webquery::stopAll);
}

Webquery::~Webquery()
{
    stopAll();
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
    if (m_waiting.size() + m_transfers.size() >= MAX_WAITING_REQUESTS) {
        journalCritical(tr("Request <%1> not sent: %2 requests are waiting already")
                            .arg(value)
                            .arg(MAX_WAITING_REQUESTS));
        return;
    }
    m_waiting.append({ value, url });
    sendWaiting();
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

void Webquery::sendWaiting()
{
    for (int i = 0; i < m_waiting.size() && !m_exiting;) {
        const QString server = serverOf(m_waiting.at(i).url);
        if (m_busyConnections.value(server) >= CONNECTIONS_PER_SERVER) {
            ++i;
            continue;
        }
        ++m_busyConnections[server];
        send(m_waiting.takeAt(i), server);
    }
}

void Webquery::send(const WaitingRequest& request, const QString& server)
{
    QNetworkReply* reply = m_network->get(QNetworkRequest(request.url));
    reply->setReadBufferSize(READ_BUFFER_SIZE);
    Transfer& transfer = m_transfers[reply];
    transfer.name = request.name;
    transfer.server = server;
    transfer.deadline = new QTimer(reply);
    transfer.deadline->setSingleShot(true);
    connect(
        transfer.deadline, &QTimer::timeout, this, [this, reply] { stopTransfer(reply, Outcome::TimedOut); });
    transfer.deadline->start(m_requestDeadline);
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { readAnswer(reply); });
}

void Webquery::readAnswer(QNetworkReply* reply)
{
    const auto transfer = m_transfers.find(reply);
    if (transfer == m_transfers.end() || transfer->outcome != Outcome::Running)
        return;
    if (!takeAnswerPart(reply, *transfer))
        stopTransfer(reply, Outcome::TooLarge);
}

bool Webquery::takeAnswerPart(QNetworkReply* reply, Transfer& transfer)
{
    const qint64 available = reply->bytesAvailable();
    if (transfer.body.size() + available > MAX_ANSWER_SIZE)
        return false;
    transfer.body += reply->read(available);
    return true;
}

void Webquery::stopTransfer(QNetworkReply* reply, Outcome outcome)
{
    const auto transfer = m_transfers.find(reply);
    if (transfer == m_transfers.end() || transfer->outcome != Outcome::Running)
        return;
    transfer->outcome = outcome;
    transfer->body.clear();
    // Finishes the reply at once, through networkFinished.
    reply->abort();
}

void Webquery::stopAll()
{
    m_exiting = true;
    m_waiting.clear();
    const QList<QNetworkReply*> replies = m_transfers.keys();
    for (QNetworkReply* reply : replies)
        stopTransfer(reply, Outcome::Exit);
}

void Webquery::networkFinished(QNetworkReply* reply)
{
    reply->deleteLater();
    const auto found = m_transfers.find(reply);
    if (found == m_transfers.end())
        return;
    Transfer transfer = std::move(found.value());
    m_transfers.erase(found);
    transfer.deadline->stop();
    const auto busy = m_busyConnections.find(transfer.server);
    if (busy != m_busyConnections.end() && --busy.value() <= 0)
        m_busyConnections.erase(busy);

    if (transfer.outcome == Outcome::Running && !takeAnswerPart(reply, transfer))
        transfer.outcome = Outcome::TooLarge;
    switch (transfer.outcome) {
    case Outcome::Exit:
        return;
    case Outcome::TooLarge:
        journalCritical(tr("Request <%1> aborted: the answer is larger than %2 bytes")
                            .arg(transfer.name)
                            .arg(MAX_ANSWER_SIZE));
        break;
    case Outcome::TimedOut:
        journalCritical(tr("Request <%1> aborted: no answer within %2 s")
                            .arg(transfer.name)
                            .arg(m_requestDeadline / 1000.0));
        break;
    case Outcome::Running:
        if (failedInTransfer(reply)) {
            journalCritical(tr("Request <%1> failed: %2").arg(transfer.name, reply->errorString()));
            break;
        }
        const int zero = transfer.body.indexOf('\0');
        if (zero >= 0)
            transfer.body.truncate(zero);
        const QString answer = QString::fromUtf8(transfer.body);
        transfer.body.clear();
        if (m_widget)
            m_widget->setLastAnswer(answer);
        if (m_settings.setAnswerToComponent && m_component)
            emit m_component->setValueHandlerSignal(m_component, QVariant(answer), this);
        break;
    }
    sendWaiting();
}

XMODULE_EXPORTS(Webquery, DESCRIPTION, MODULE_VERSION, MODULE_INTERFACE_VERSION)
