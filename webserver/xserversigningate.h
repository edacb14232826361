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
// other addresses are not held up. While a failure holds the address only a
// few of its sign-ins wait: the others are refused, to be answered as a
// failure without being checked, so that waiting sign-ins cannot fill the
// server.
//
// Used from the network threads (enqueue, cancel) and the GUI thread
// (checked); a sign-in's start always runs in the thread of the object that
// asked for it.
class XServerSignInGate
{
public:
    enum class Outcome { Succeeded, Failed, NotChecked };

    // start runs in context's thread when the sign-in may be checked, or
    // refuse when it is not to be checked at all; false (and neither runs)
    // when the address, held by a failure, has too many waiting already.
    bool enqueue(
        const QString& address, QObject* context, std::function<void()> start, std::function<void()> refuse);
    // A connection that goes away gives up its place.
    void cancel(QObject* context);
    // A sign-in of address that started has ended: only success trusts the
    // address, and only failure delays it. Returns how long the answer is to
    // be held: at least failureDelayMs after a failure, else 0.
    int checked(const QString& address, Outcome outcome, int failureDelayMs);

private:
    struct Waiter
    {
        QObject* context = nullptr;
        std::function<void()> start;
        std::function<void()> refuse;
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
