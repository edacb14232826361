#include "xserverlistener.h"

#include "xserverconnection.h"
#include "xserverconnections.h"

#include <QDebug>
#include <QSslSocket>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
// After a failed accept (a peer that reset at once, no descriptor left) the
// socket stays paused this long rather than being retried in a busy loop.
const int ACCEPT_RETRY_MS = 20;

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

bool XServerListener::listenOn(qintptr descriptor, int delay, bool secure)
{
    close();
    m_delay = delay;
    m_secure = secure;
    return setSocketDescriptor(descriptor);
}

void XServerListener::incomingConnection(qintptr descriptor)
{
    if (m_secure && !QSslSocket::supportsSsl()) {
        qDebug() << "SSL enabled for Web server, but maintained in the system";
        closeDescriptor(descriptor);
        return;
    }
    // Nobody else takes a refused descriptor, so it is closed here rather
    // than left open until the peer gives up.
    const QString address = XServerConnections::peerAddressOf(descriptor);
    XServerConnections::Admission admission = m_connections->admit(descriptor);
    if (admission == XServerConnections::Admission::AtLimit && m_connections->makeRoomFor(address, this))
        admission = m_connections->admit(descriptor);
    if (admission != XServerConnections::Admission::Admitted) {
        closeDescriptor(descriptor);
        return;
    }
    XServerListener* target = m_connections->leastLoaded(this);
    target->m_load.ref();
    // Listed here, not once adopted: the next newcomer may need the list
    // before a handed-over connection has reached its thread.
    const quint64 id = m_connections->nextConnectionId();
    m_connections->listQuiet(id, address, target);
    if (target == this) {
        adopt(descriptor, id, m_delay, m_secure);
        return;
    }
    const int delay = m_delay;
    const bool secure = m_secure;
    QMetaObject::invokeMethod(
        target, [target, descriptor, id, delay, secure]() { target->adopt(descriptor, id, delay, secure); },
        Qt::QueuedConnection);
}

int XServerListener::load() const
{
    return m_load.loadRelaxed();
}

void XServerListener::adopt(qintptr descriptor, quint64 id, int delay, bool secure)
{
    auto* connection = new XServerConnection(descriptor, id, m_connections, delay, secure, this);
    m_held.insert(id, connection);
    connect(connection, &QObject::destroyed, this, [this, id]() {
        m_held.remove(id);
        m_load.deref();
    });
    connection->start();
}

bool XServerListener::closeQuiet(quint64 id)
{
    XServerConnection* connection = m_held.value(id);
    return connection && connection->closeIfQuiet();
}
