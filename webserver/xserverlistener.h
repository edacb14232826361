#pragma once

#include <QAtomicInt>
#include <QHash>
#include <QTcpServer>

class XServerConnection;
class XServerConnections;

// One network thread of the web server: holds the connections that are given
// to it, as its children. The first one also accepts, on a copy of the
// listening socket's descriptor, and keeps a newcomer itself while it is the
// least busy, so that a single browser costs no hand-over between threads.
class XServerListener : public QTcpServer
{
    Q_OBJECT

public:
    explicit XServerListener(XServerConnections* connections);

    // Runs in the listener's thread; the descriptor is the listener's from then on.
    bool listenOn(qintptr descriptor, int delay, bool secure);

    // Connections held by this thread, read by the accepting one.
    int load() const;
    // Run in this listener's thread.
    void adopt(qintptr descriptor, quint64 id, int delay, bool secure);
    // Closes a connection of this thread that has still not sent its whole
    // request; false when it has meanwhile, or is gone. A connection handed
    // over to this thread is always adopted by the time this runs: both
    // calls come from the accepting thread, in that order.
    bool closeQuiet(quint64 id);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    XServerConnections* m_connections = nullptr;
    int m_delay = 0;
    bool m_secure = false;
    QAtomicInt m_load = 0;
    QHash<quint64, XServerConnection*> m_held;
};
