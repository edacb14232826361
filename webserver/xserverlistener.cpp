#include "xserverlistener.h"

#include "xserverconnection.h"
#include "xserverconnections.h"

#include <QDebug>
#include <QFile>
#include <QSslSocket>
#include <QTimer>

#include <QDir>

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

const char CERTIFICATE_FILE[] = "/ssl/key.pem";
const char PRIVATE_KEY_FILE[] = "/ssl/key.key";

qint64 softDescriptorLimit()
{
#ifdef Q_OS_UNIX
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        return qint64(limit.rlim_cur);
#endif
    return 0;
}

// The descriptors the process holds now, where the system tells.
int openDescriptors()
{
#ifdef Q_OS_LINUX
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
#else
    return 0;
#endif
}

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
}

XServerListener::XServerListener(XServerConnections* connections)
    : m_connections(connections)
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

QString XServerListener::start(quint16 port, int delay, bool secure)
{
    stop();
    m_delay = delay;
    m_secure = secure;
    // The program raises its own limit at start, so it is read here. Closed
    // connections leave gaps below the newest descriptor, so its number alone
    // does not tell how many are open: the connections also get a budget of
    // what the rest of the program leaves now.
    const qint64 limit = softDescriptorLimit();
    m_descriptorCeiling = limit > 0 ? limit - RESERVED_DESCRIPTORS : 0;
    m_connectionBudget = MAX_CONNECTIONS;
    if (m_descriptorCeiling > 0) {
        const int others = qMax(0, openDescriptors() - m_open.loadRelaxed());
        m_connectionBudget = int(qBound<qint64>(0, m_descriptorCeiling - others, MAX_CONNECTIONS));
    }
    m_certificate = QSslCertificate();
    m_privateKey = QSslKey();
    if (secure) {
        const QString appDir = m_connections->applicationFolder();
        QFile certificateFile(appDir + QLatin1String(CERTIFICATE_FILE));
        if (certificateFile.open(QIODevice::ReadOnly))
            m_certificate = QSslCertificate(certificateFile.readAll(), QSsl::Pem);
        QFile keyFile(appDir + QLatin1String(PRIVATE_KEY_FILE));
        if (keyFile.open(QIODevice::ReadOnly))
            m_privateKey = QSslKey(keyFile.readAll(), QSsl::Rsa, QSsl::Pem, QSsl::PrivateKey, QByteArray());
    }
    if (!listen(QHostAddress::Any, port))
        return errorString();
#ifdef Q_OS_UNIX
    // Listening again only sets the backlog, which QTcpServer fixes at 50.
    ::listen(int(socketDescriptor()), LISTEN_BACKLOG);
#endif
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

int XServerListener::openConnections() const
{
    return m_open.loadAcquire();
}

XServerConnections* XServerListener::connections() const
{
    return m_connections;
}

int XServerListener::delay() const
{
    return m_delay;
}

const QSslCertificate& XServerListener::certificate() const
{
    return m_certificate;
}

const QSslKey& XServerListener::privateKey() const
{
    return m_privateKey;
}

void XServerListener::incomingConnection(qintptr descriptor)
{
    if (m_secure && !QSslSocket::supportsSsl()) {
        qDebug() << "SSL enabled for Web server, but maintained in the system";
        closeDescriptor(descriptor);
        return;
    }
    // Descriptors are handed out lowest first, so a newcomer's number beyond
    // the ceiling tells that the rest of the program has opened more.
    const bool full = m_open.loadRelaxed() >= m_connectionBudget
        || (m_descriptorCeiling > 0 && descriptor >= m_descriptorCeiling);
    if (full && !makeRoom()) {
        closeDescriptor(descriptor);
        return;
    }
    auto* connection = new XServerConnection(++m_lastId, m_secure, this);
    if (!connection->start(descriptor)) {
        delete connection;
        closeDescriptor(descriptor);
        return;
    }
    m_held.insert(connection->id(), connection);
    m_open.ref();
    connection->beginReading();
}

bool XServerListener::makeRoom()
{
    // The address holding the most, the oldest of them where two hold as many.
    auto chosen = m_waitingOnPeer.end();
    for (auto it = m_waitingOnPeer.begin(); it != m_waitingOnPeer.end(); ++it) {
        if (chosen == m_waitingOnPeer.end() || it->size() > chosen->size()
            || (it->size() == chosen->size() && it->begin()->first < chosen->begin()->first))
            chosen = it;
    }
    if (chosen == m_waitingOnPeer.end())
        return false;
    // Closing it counts it down and unlists it.
    chosen->begin()->second->abort();
    return true;
}

void XServerListener::setWaitsOnPeer(XServerConnection* connection, bool waits)
{
    const QString address = connection->peerAddress();
    if (waits) {
        m_waitingOnPeer[address].emplace(connection->id(), connection);
        return;
    }
    const auto it = m_waitingOnPeer.find(address);
    if (it == m_waitingOnPeer.end())
        return;
    it->erase(connection->id());
    if (it->empty())
        m_waitingOnPeer.erase(it);
}

void XServerListener::connectionEnded(XServerConnection* connection)
{
    setWaitsOnPeer(connection, false);
    if (m_held.remove(connection->id()) > 0)
        m_open.deref();
}

void XServerListener::passAnswered(quint64 id, const XServerSocketThread::Answer& answer)
{
    if (XServerConnection* connection = m_held.value(id))
        connection->passAnswered(answer);
}
