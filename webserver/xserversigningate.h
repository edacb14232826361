#pragma once

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

#include <functional>

class QObject;

// Makes the sign-ins from one address wait their turn. An address is checked
// one sign-in at a time; once it has signed in successfully it is trusted for
// a while and its sign-ins are checked side by side (several browsers behind
// one address). Each failure ends that trust and takes the next free slot of
// the address, one delay after the one before, and is answered then; until
// the last slot has passed nothing more from the address is checked. Parallel
// connections from one address thus guess no faster than one connection, and
// other addresses are not held up.
//
// Used from the network threads (enqueue, cancel) and the worker threads
// (checked); a sign-in's start always runs in the thread of the object that
// asked for it.
class XServerSignInGate
{
public:
    // start runs in context's thread when the sign-in may be checked.
    void enqueue(const QString& address, QObject* context, std::function<void()> start);
    // A connection that goes away gives up its place.
    void cancel(QObject* context);
    // A sign-in of address was checked. Returns how long the answer is to
    // be held: 0 after success, at least failureDelayMs after a failure.
    int checked(const QString& address, bool failed, int failureDelayMs);

private:
    struct Waiter
    {
        QObject* context = nullptr;
        std::function<void()> start;
    };
    struct Turns
    {
        int checking = 0;
        qint64 notBeforeMs = 0;
        qint64 trustedUntilMs = 0;
        QList<Waiter> waiting;
        // Admitted from the queue, their start not yet run.
        QList<QObject*> starting;
    };

    static bool mayStart(const Turns& turns, qint64 nowMs);
    void admitNext(const QString& address, Turns& turns, qint64 nowMs);
    void started(const QString& address, QObject* context);
    void forgetIdle(qint64 nowMs);

    QMutex m_lock;
    QHash<QString, Turns> m_turns;
};
