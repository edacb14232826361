#pragma once

#include "xserversigningate.h"

#include <QAtomicInt>
#include <QAtomicInteger>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <list>
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
//
// At the connection limit a newcomer is closed at once, unless another
// address holds at least two more quiet connections (accepted, request not
// yet complete) than the newcomer's own: then the oldest quiet connection of
// the address holding the most gives way to it. Idle peers from one address
// can so fill the server, but never lock out anybody else.
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
    enum class Admission { Admitted, AtLimit, NoDescriptors };
    Admission admit(qintptr descriptor);
    // Called by the accepting thread after AtLimit; true when a quiet
    // connection was closed for the newcomer (asker: the calling thread's own).
    bool makeRoomFor(const QString& newcomerAddress, XServerListener* asker);
    quint64 nextConnectionId();
    // A connection just admitted, for owner, whose request is not complete yet.
    void listQuiet(quint64 id, const QString& address, XServerListener* owner);
    // Idempotent; called when the request is complete and when the connection ends.
    void unlistQuiet(quint64 id);
    // The peer address of a connected descriptor, as the quiet list keys it.
    static QString peerAddressOf(qintptr descriptor);
    // The network thread with the fewest connections; asker when it ties.
    XServerListener* leastLoaded(XServerListener* asker) const;
    void release();
    bool dispatch(std::function<void()> task);
    bool isStopping() const;
    XServerSignInGate* signInGate();
    QString applicationFolder() const;

private:
    struct QuietConnection
    {
        quint64 id = 0;
        XServerListener* owner = nullptr;
    };
    struct QuietPlace
    {
        QString address;
        std::list<QuietConnection>::iterator entry;
    };

    std::vector<std::unique_ptr<QThread>> m_threads;
    std::vector<XServerListener*> m_listeners;
    QThreadPool m_workers;
    XServerSignInGate m_signInGate;
    QAtomicInt m_active = 0;
    QAtomicInt m_stopping = 0;
    QMutex m_dispatchLock;
    QAtomicInteger<quint64> m_lastConnectionId = 0;
    // Quiet connections by peer address, oldest first.
    QMutex m_quietLock;
    QHash<QString, std::list<QuietConnection>> m_quietByAddress;
    QHash<quint64, QuietPlace> m_quietPlaces;
    qint64 m_descriptorCeiling = 0;
    QString m_applicationFolder;
};
