#pragma once

#include <QAtomicInt>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QString>

#include <map>

class XServerListener;

// The places of the web server's connections, shared by its network threads:
// how many are open, which of them only wait on their peer, and which have
// been given to a newcomer. Each connection lives in the thread of the
// listener that accepted it; this only tells that thread which to close.
class XServerAdmission
{
public:
    // A newcomer's place: id 0 when it has none. When it takes the place of
    // another, that one is to be closed by its own listener. When it is to
    // wait, its listener accepts nobody else until told to ask again.
    struct Place
    {
        quint64 id = 0;
        XServerListener* evictFrom = nullptr;
        quint64 evictId = 0;
        bool wait = false;
    };

    // Called as the server starts listening; the count goes on.
    void reset(int budget, qint64 descriptorCeiling);
    Place admit(qintptr descriptor, XServerListener* accepting);
    // A listener that stops listening waits for no place any more.
    void stopWaiting(XServerListener* listener);

    // False when the connection has been chosen to give way meanwhile: it is
    // then to close at once instead of going on.
    bool setWaitsOnPeer(quint64 id, const QString& address, XServerListener* listener, bool waits);
    // Once per admitted connection, as its socket is closed.
    void ended(quint64 id, const QString& address);

    int open() const;

private:
    QMutex m_lock;
    int m_budget = 0;
    qint64 m_descriptorCeiling = 0;
    quint64 m_lastId = 0;
    // Read without the lock by the GUI thread.
    QAtomicInt m_open = 0;
    // The connections that wait on their peer, by address, oldest first.
    QHash<QString, std::map<quint64, XServerListener*>> m_waitingOnPeer;
    // Chosen to give way, not yet closed: their places are the newcomers'.
    QSet<quint64> m_givenAway;
    // Holding a newcomer until one of those is closed.
    QSet<XServerListener*> m_waitingForPlace;
};
