#pragma once

#include "xserversocketthread.h"

#include <QAtomicInt>
#include <QHash>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

#include <map>

class XServerConnection;
class XServerConnections;

// The web server's network thread: listens, accepts, and holds every
// connection as its child until it is closed. Everything here runs in that
// thread, but for the two counters the GUI thread reads.
class XServerListener : public QTcpServer
{
    Q_OBJECT

public:
    explicit XServerListener(XServerConnections* connections);
    ~XServerListener() override;

    // Listens anew, with the certificate and key read now; empty on success,
    // else the reason.
    QString start(quint16 port, int delay, bool secure);
    void stop();

    // Read by the GUI thread: 0 while not listening.
    quint16 listeningPort() const;
    int openConnections() const;

    XServerConnections* connections() const;
    int delay() const;
    const QSslCertificate& certificate() const;
    const QSslKey& privateKey() const;

    // A connection's state as the limits see it.
    void setWaitsOnPeer(XServerConnection* connection, bool waits);
    // Called once per admitted connection, as its socket is closed.
    void connectionEnded(XServerConnection* connection);
    // A pass's answer back from the GUI thread, for a connection that may be gone.
    void passAnswered(quint64 id, const XServerSocketThread::Answer& answer);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    bool makeRoom();

    XServerConnections* m_connections = nullptr;
    int m_delay = 0;
    bool m_secure = false;
    QSslCertificate m_certificate;
    QSslKey m_privateKey;
    qint64 m_descriptorCeiling = 0;
    int m_connectionBudget = 0;
    quint64 m_lastId = 0;
    QAtomicInt m_open = 0;
    QAtomicInt m_port = 0;
    QHash<quint64, XServerConnection*> m_held;
    // The connections that wait on their peer, by address, oldest first.
    QHash<QString, std::map<quint64, XServerConnection*>> m_waitingOnPeer;
};
