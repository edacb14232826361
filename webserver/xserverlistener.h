#pragma once

#include "xserversocketthread.h"

#include <QAtomicInt>
#include <QHash>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QTcpServer>

#include <map>

class XServerConnection;
class XServerConnections;
class XServerSignInGate;

// The web server's network thread side: its one listening socket and every
// connection it accepted, held as its children until they are closed, with
// the count of places and the sign-in gate. Everything here runs in the
// network thread; the GUI thread only reads the port and the count.
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

    explicit XServerListener(XServerConnections* connections);
    ~XServerListener() override;

    // Listens anew on the port (a free one for port 0); empty on success,
    // else the reason. Connections already accepted go on.
    QString start(quint16 port, const Settings& settings);
    void stop();

    // Read by the GUI thread: 0 while not listening.
    quint16 listeningPort() const;
    // Read by the GUI thread: the connections open.
    int open() const;

    XServerConnections* connections() const;
    XServerSignInGate* signInGate() const;
    const Settings& settings() const;

    // Whether the connection may give way to a newcomer in its state.
    void setMayGiveWay(XServerConnection* connection, bool may);
    // Called once per accepted connection, as its socket is closed.
    void connectionEnded(XServerConnection* connection);
    // A pass's answer back from the GUI thread, for a connection that may be gone.
    void passAnswered(quint64 id, const QString& address, const XServerSocketThread::Answer& answer);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    bool full(qintptr descriptor) const;
    bool makeRoom();

    XServerConnections* m_connections = nullptr;
    XServerSignInGate* m_signInGate = nullptr;
    Settings m_settings;
    QAtomicInt m_port = 0;
    QAtomicInt m_open = 0;
    // Connections the descriptors allow, and the number no newcomer's
    // descriptor may reach: what the rest of the program leaves of the
    // limit, less a reserve.
    qint64 m_descriptorBudget = 0;
    qint64 m_descriptorCeiling = 0;
    quint64 m_lastId = 0;
    QHash<quint64, XServerConnection*> m_held;
    // The connections that may give way, by address, oldest first.
    QHash<QString, std::map<quint64, XServerConnection*>> m_mayGiveWay;
};
