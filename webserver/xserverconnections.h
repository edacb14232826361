#pragma once

#include "xserversigningate.h"

#include <QAtomicInt>
#include <QMutex>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <vector>

class QThread;
class XServerListener;

// Everything of the web server that runs outside the GUI thread: network
// threads that accept and read every connection event-driven (an idle or slow
// connection holds a socket there, never a thread), the workers that answer
// signed-in requests, the count of open connections and the sign-in gate.
//
// The GUI thread may be busy for as long as it likes: accepting, reading,
// serving files and closing go on without it, and each connection counts
// itself down when its socket is closed.
class XServerConnections
{
public:
    XServerConnections();
    ~XServerConnections();

    // Called in the GUI thread. The listening socket stays the caller's; the
    // first network thread accepts on a copy of its descriptor.
    bool listen(qintptr listeningDescriptor, int delay, bool secure);
    void stopListening();

    int active() const;

    // Called in the network threads and the workers.
    bool admit(qintptr descriptor);
    // The network thread with the fewest connections; asker when it ties.
    XServerListener* leastLoaded(XServerListener* asker) const;
    void release();
    bool dispatch(std::function<void()> task);
    bool isStopping() const;
    XServerSignInGate* signInGate();
    QString applicationFolder() const;

private:
    std::vector<std::unique_ptr<QThread>> m_threads;
    std::vector<XServerListener*> m_listeners;
    QThreadPool m_workers;
    XServerSignInGate m_signInGate;
    QAtomicInt m_active = 0;
    QAtomicInt m_stopping = 0;
    QMutex m_dispatchLock;
    qint64 m_descriptorCeiling = 0;
    QString m_applicationFolder;
};
