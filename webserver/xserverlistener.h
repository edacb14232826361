#pragma once

#include "xserversocketthread.h"

#include <QAtomicInt>
#include <QHash>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

class XServerAdmission;
class XServerConnection;
class XServerConnections;

// One network thread of the web server: listens with a socket of its own on
// the server's port, accepts, and holds each connection it accepted as its
// child until it is closed. Everything here runs in that thread, but for the
// port the GUI thread reads.
class XServerListener : public QTcpServer
{
    Q_OBJECT

public:
    struct Settings
    {
        int delay = 0;
        bool secure = false;
        QSslCertificate certificate;
        QSslKey privateKey;
    };

    XServerListener(XServerConnections* connections, XServerAdmission* admission);
    ~XServerListener() override;

    // Listens anew as the index-th of the server's listeners, on the same
    // port; empty on success, else the reason. The first checks that no
    // other program holds the port, and takes a free one for port 0.
    QString start(quint16 port, const Settings& settings, int index, int listeners);
    void stop();

    // Read by the GUI thread: 0 while not listening.
    quint16 listeningPort() const;

    XServerConnections* connections() const;
    int delay() const;
    const QSslCertificate& certificate() const;
    const QSslKey& privateKey() const;

    // A connection's state as the limits see it: false when the connection
    // has meanwhile been chosen to give way, and is to close at once.
    bool setWaitsOnPeer(XServerConnection* connection, bool waits);
    // Called once per admitted connection, as its socket is closed.
    void connectionEnded(XServerConnection* connection);
    // A pass's answer back from the GUI thread, for a connection that may be gone.
    void passAnswered(quint64 id, const XServerSocketThread::Answer& answer);
    // A connection of this thread whose place went to a newcomer of another.
    void evict(quint64 id);
    // Asks again for a place for the newcomer held back, now that one may be free.
    void admitWaiting();

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void admit(qintptr descriptor);
    void releaseWaiting();

    XServerConnections* m_connections = nullptr;
    XServerAdmission* m_admission = nullptr;
    Settings m_settings;
    QAtomicInt m_port = 0;
    QHash<quint64, XServerConnection*> m_held;
    // A newcomer accepted but not yet given a place, and what stands for it
    // in QTcpServer's own list of pending connections: while that list is
    // full, QTcpServer accepts nobody else.
    qintptr m_waitingDescriptor = -1;
    QTcpSocket* m_waitingPlaceholder = nullptr;
};
