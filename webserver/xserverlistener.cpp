#include "xserverlistener.h"

#include "xserveradmission.h"
#include "xserverconnection.h"
#include "xserverconnections.h"

#include <QDebug>
#include <QSslSocket>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/filter.h>
#endif

namespace {
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

#ifdef Q_OS_LINUX
// A listening socket on all addresses, IPv6 and IPv4 alike where the system
// has both, as QTcpServer opens its own, but sharing the port with the
// server's other listeners: the kernel spreads the newcomers over them.
// -1 on failure, with errno telling why.
int openSharedSocket(quint16 port)
{
    bool dualStack = true;
    int descriptor = ::socket(AF_INET6, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        dualStack = false;
        descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    }
    if (descriptor < 0)
        return -1;
    const int on = 1;
    const int off = 0;
    sockaddr_storage address {};
    socklen_t addressSize = 0;
    if (dualStack) {
        auto* inet6 = reinterpret_cast<sockaddr_in6*>(&address);
        inet6->sin6_family = AF_INET6;
        inet6->sin6_addr = in6addr_any;
        inet6->sin6_port = htons(port);
        addressSize = sizeof(sockaddr_in6);
    } else {
        auto* inet = reinterpret_cast<sockaddr_in*>(&address);
        inet->sin_family = AF_INET;
        inet->sin_addr.s_addr = htonl(INADDR_ANY);
        inet->sin_port = htons(port);
        addressSize = sizeof(sockaddr_in);
    }
    const bool opened = ::setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on)) == 0
        && ::setsockopt(descriptor, SOL_SOCKET, SO_REUSEPORT, &on, sizeof(on)) == 0
        && (!dualStack || ::setsockopt(descriptor, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof(off)) == 0)
        && ::bind(descriptor, reinterpret_cast<sockaddr*>(&address), addressSize) == 0
        && ::listen(descriptor, LISTEN_BACKLOG) == 0;
    if (!opened) {
        const int error = errno;
        ::close(descriptor);
        errno = error;
        return -1;
    }
    return descriptor;
}

// The listeners take the newcomers by the processor that received them: a
// peer that connects again and again from one processor (a browser loading a
// page) finds the same thread each time, still warm, where spreading them at
// random wakes a sleeping thread for nearly every request. Many peers still
// spread over all of them. Without it (an old kernel) the kernel spreads
// them at random.
void steerByProcessor(int descriptor, int listeners)
{
    sock_filter code[] = {
        { BPF_LD | BPF_W | BPF_ABS, 0, 0, __u32(SKF_AD_OFF + SKF_AD_CPU) },
        { BPF_ALU | BPF_MOD | BPF_K, 0, 0, __u32(listeners) },
        { BPF_RET | BPF_A, 0, 0, 0 },
    };
    sock_fprog program { sizeof(code) / sizeof(code[0]), code };
    ::setsockopt(descriptor, SOL_SOCKET, SO_ATTACH_REUSEPORT_CBPF, &program, sizeof(program));
}
#endif
}

XServerListener::XServerListener(XServerConnections* connections, XServerAdmission* admission)
    : m_connections(connections)
    , m_admission(admission)
    , m_waitingPlaceholder(new QTcpSocket(this))
{
    // Every newcomer is taken at once; only one waiting for a place fills the list.
    setMaxPendingConnections(1);
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

QString XServerListener::start(quint16 port, const Settings& settings, int index, int listeners)
{
    stop();
    m_settings = settings;
#ifdef Q_OS_LINUX
    // Shared ports let another program of the same user listen on the port
    // as well: the first listener makes sure, with a socket that shares
    // nothing, that the port is free before the server's own take it.
    if (index == 0) {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::Any, port))
            return probe.errorString();
        port = probe.serverPort();
    }
    const int descriptor = openSharedSocket(port);
    if (descriptor < 0)
        return qt_error_string(errno);
    steerByProcessor(descriptor, listeners);
    if (!setSocketDescriptor(descriptor)) {
        ::close(descriptor);
        return errorString();
    }
#else
    Q_UNUSED(index)
    Q_UNUSED(listeners)
    if (!listen(QHostAddress::Any, port))
        return errorString();
#ifdef Q_OS_UNIX
    // Listening again only sets the backlog, which QTcpServer fixes at 50.
    ::listen(int(socketDescriptor()), LISTEN_BACKLOG);
#endif
#endif
    m_port.storeRelease(serverPort());
    return QString();
}

void XServerListener::stop()
{
    m_port.storeRelease(0);
    releaseWaiting();
    if (m_waitingDescriptor >= 0) {
        closeDescriptor(m_waitingDescriptor);
        m_waitingDescriptor = -1;
    }
    close();
}

void XServerListener::releaseWaiting()
{
    m_admission->stopWaiting(this);
    // Taking it lets QTcpServer accept again.
    if (hasPendingConnections())
        nextPendingConnection();
}

quint16 XServerListener::listeningPort() const
{
    return quint16(m_port.loadAcquire());
}

XServerConnections* XServerListener::connections() const
{
    return m_connections;
}

int XServerListener::delay() const
{
    return m_settings.delay;
}

const QSslCertificate& XServerListener::certificate() const
{
    return m_settings.certificate;
}

const QSslKey& XServerListener::privateKey() const
{
    return m_settings.privateKey;
}

void XServerListener::incomingConnection(qintptr descriptor)
{
    if (m_settings.secure && !QSslSocket::supportsSsl()) {
        qDebug() << "SSL enabled for Web server, but maintained in the system";
        closeDescriptor(descriptor);
        return;
    }
    admit(descriptor);
}

void XServerListener::admitWaiting()
{
    if (m_waitingDescriptor < 0)
        return;
    const qintptr descriptor = m_waitingDescriptor;
    m_waitingDescriptor = -1;
    releaseWaiting();
    admit(descriptor);
}

void XServerListener::admit(qintptr descriptor)
{
    const XServerAdmission::Place place = m_admission->admit(descriptor, this);
    if (place.wait) {
        m_waitingDescriptor = descriptor;
        addPendingConnection(m_waitingPlaceholder);
        return;
    }
    if (place.id == 0) {
        closeDescriptor(descriptor);
        return;
    }
    if (place.evictFrom == this) {
        evict(place.evictId);
    } else if (place.evictFrom) {
        XServerListener* holder = place.evictFrom;
        const quint64 evicted = place.evictId;
        QMetaObject::invokeMethod(holder, [holder, evicted]() { holder->evict(evicted); }, Qt::QueuedConnection);
    }
    auto* connection = new XServerConnection(place.id, m_settings.secure, this);
    if (!connection->start(descriptor)) {
        delete connection;
        closeDescriptor(descriptor);
        return;
    }
    m_held.insert(connection->id(), connection);
    connection->beginReading();
}

bool XServerListener::setWaitsOnPeer(XServerConnection* connection, bool waits)
{
    return m_admission->setWaitsOnPeer(connection->id(), connection->peerAddress(), this, waits);
}

void XServerListener::connectionEnded(XServerConnection* connection)
{
    m_held.remove(connection->id());
    m_admission->ended(connection->id(), connection->peerAddress());
}

void XServerListener::passAnswered(quint64 id, const XServerSocketThread::Answer& answer)
{
    if (XServerConnection* connection = m_held.value(id))
        connection->passAnswered(answer);
}

void XServerListener::evict(quint64 id)
{
    if (XServerConnection* connection = m_held.value(id))
        connection->abort();
}
