#pragma once

#include <QTcpServer>

class XServerConnections;

// Accepts the web server's connections in one of its network threads, on a
// copy of the listening socket's descriptor, and keeps them as its children.
class XServerListener : public QTcpServer
{
    Q_OBJECT

public:
    explicit XServerListener(XServerConnections* connections);

    // Runs in the listener's thread; the descriptor is the listener's from then on.
    bool listenOn(qintptr descriptor, int delay, bool secure);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    XServerConnections* m_connections = nullptr;
    int m_delay = 0;
    bool m_secure = false;
};
