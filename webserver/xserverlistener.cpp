#include "xserverlistener.h"

#include "xdescriptors.h"
#include "xserverconnection.h"
#include "xserversigningate.h"

#include <QDebug>
#include <QSslSocket>
#include <QTimer>

#include <limits>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {
const int MAX_CONNECTIONS = 500;
// Descriptors that connections never take, so that the program can still
// open its files, start threads and save at exit however many peers connect.
const int RESERVED_DESCRIPTORS = 64;
// After a failed accept (a peer that reset at once, no descriptor left) the
// socket stays paused this long rather than being retried in a busy loop.
const int ACCEPT_RETRY_MS = 20;
// Connections the kernel completes before they are accepted: a burst of
// newcomers then waits there rather than for the peers' SYN retries.
const int LISTEN_BACKLOG = 1024;

void closeDescriptor(qintptr descriptor)
{
#ifdef Q_OS_UNIX
    ::close(int(descriptor));
#else
    QTcpSocket socket;
    if (socket.setSocketDescriptor(descriptor))
        socket.abort();
#endif
}

qint64 softDescriptorLimit()
{
#ifdef Q_OS_UNIX
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        return qint64(limit.rlim_cur);
#endif
    return 0;
}
}

XServerListener::XServerListener(XServerConnections* connections)
    : m_connections(connections)
    , m_signInGate(new XServerSignInGate(this))
{
    // QTcpServer pauses for good after any failed accept.
    connect(this, &QTcpServer::acceptError, this, [this]() {
        QTimer::singleShot(ACCEPT_RETRY_MS, this, [this]() {
            if (isListening())
                resumeAccepting();
        });
    });
}

XServerListener::~XServerListener()
{
    stop();
    // Each goes here, while the listener is whole: one still open is
    // counted down as its socket closes.
    const QList<XServerConnection*> children
        = findChildren<XServerConnection*>(QString(), Qt::FindDirectChildrenOnly);
    for (XServerConnection* connection : children)
        delete connection;
}

QString XServerListener::start(quint16 port, const Settings& settings)
{
    stop();
    m_settings = settings;
    // No SO_REUSEPORT: with it, any program of the same user could bind the
    // port beside the server and be handed its newcomers.
    if (!listen(QHostAddress::Any, port))
        return errorString();
#ifdef Q_OS_UNIX
    // Listening again only sets the backlog, which QTcpServer fixes at 50.
    ::listen(int(socketDescriptor()), LISTEN_BACKLOG);
#endif
    // The program raises its own limit at start, so it is read here. Closed
    // connections leave gaps below the newest descriptor, so its number alone
    // does not tell how many are open: the connections also get a budget of
    // what the rest of the program leaves now.
    const qint64 limit = softDescriptorLimit();
    m_descriptorCeiling = limit > 0 ? limit - RESERVED_DESCRIPTORS : 0;
    m_descriptorBudget = std::numeric_limits<qint64>::max();
    if (m_descriptorCeiling > 0) {
        const int others = qMax(0, XDescriptors::openCount() - m_open.loadRelaxed());
        m_descriptorBudget = qMax<qint64>(0, m_descriptorCeiling - others);
    }
    m_port.storeRelease(serverPort());
    return QString();
}

void XServerListener::stop()
{
    m_port.storeRelease(0);
    close();
}

quint16 XServerListener::listeningPort() const
{
    return quint16(m_port.loadAcquire());
}

int XServerListener::open() const
{
    return m_open.loadAcquire();
}

XServerConnections* XServerListener::connections() const
{
    return m_connections;
}

XServerSignInGate* XServerListener::signInGate() const
{
    return m_signInGate;
}

const XServerListener::Settings& XServerListener::settings() const
{
    return m_settings;
}

void XServerListener::incomingConnection(qintptr descriptor)
{
    if (m_settings.secure && !QSslSocket::supportsSsl()) {
        qDebug() << "SSL enabled for Web server, but maintained in the system";
        closeDescriptor(descriptor);
        return;
    }
    if (full(descriptor) && !makeRoom()) {
        closeDescriptor(descriptor);
        return;
    }
    auto* connection = new XServerConnection(++m_lastId, this);
    m_held.insert(connection->id(), connection);
    m_open.ref();
    if (!connection->start(descriptor)) {
        delete connection;
        closeDescriptor(descriptor);
    }
}

bool XServerListener::full(qintptr descriptor) const
{
    // Descriptors are handed out lowest first, so a newcomer's number beyond
    // the ceiling tells that the rest of the program, or the files that
    // answers keep open, took more.
    const int open = m_open.loadRelaxed();
    return open >= MAX_CONNECTIONS || open >= m_descriptorBudget
        || (m_descriptorCeiling > 0 && descriptor >= m_descriptorCeiling);
}

bool XServerListener::makeRoom()
{
    for (;;) {
        // The address holding the most, the oldest of them where two hold as many.
        auto chosen = m_mayGiveWay.end();
        for (auto it = m_mayGiveWay.begin(); it != m_mayGiveWay.end(); ++it) {
            if (chosen == m_mayGiveWay.end() || it->size() > chosen->size()
                || (it->size() == chosen->size() && it->begin()->first < chosen->begin()->first))
                chosen = it;
        }
        if (chosen == m_mayGiveWay.end())
            return false;
        XServerConnection* connection = chosen->begin()->second;
        if (connection->giveWay())
            return true;
        // Its pass runs in the GUI thread: the next one is asked.
        setMayGiveWay(connection, false);
    }
}

void XServerListener::setMayGiveWay(XServerConnection* connection, bool may)
{
    if (may) {
        m_mayGiveWay[connection->peerAddress()].emplace(connection->id(), connection);
        return;
    }
    const auto it = m_mayGiveWay.find(connection->peerAddress());
    if (it != m_mayGiveWay.end()) {
        it->erase(connection->id());
        if (it->empty())
            m_mayGiveWay.erase(it);
    }
}

void XServerListener::connectionEnded(XServerConnection* connection)
{
    m_held.remove(connection->id());
    setMayGiveWay(connection, false);
    m_open.deref();
}

void XServerListener::passAnswered(
    quint64 id, const QString& address, const XServerSocketThread::Answer& answer)
{
    // The gate learns how the check went even when its connection is gone.
    const int holdMs = m_signInGate->checked(address, answer.signIn, m_settings.delay);
    XServerConnection* connection = m_held.value(id);
    if (!connection || !connection->passAnswered(answer, holdMs)) {
        if (holdMs > 0)
            m_signInGate->holdEnded();
    }
}
