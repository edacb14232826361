#pragma once

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

#include <functional>

class QObject;

// Makes the sign-ins from one address wait their turn: the password of the
// next one is checked only when the one before was checked and, if that one
// failed, its delay has passed. Parallel connections from one address then
// guess no faster than one connection; other addresses are not held up.
//
// Used from the network threads (enqueue, cancel) and the worker threads
// (checked); the start of an admitted sign-in always runs in the thread of
// the object that asked for it.
class XServerSignInGate
{
public:
    // start runs in context's thread when the sign-in's turn has come.
    void enqueue(const QString& address, QObject* context, std::function<void()> start);
    // A connection that goes away gives up its place, or its turn.
    void cancel(QObject* context);
    // The sign-in of address was checked; failureDelayMs holds the next one
    // back when it failed (0 when it succeeded).
    void checked(const QString& address, int failureDelayMs);

private:
    struct Waiter
    {
        QObject* context = nullptr;
        std::function<void()> start;
    };
    struct Turns
    {
        QObject* holder = nullptr;
        bool checking = false;
        qint64 notBeforeMs = 0;
        QList<Waiter> waiting;
    };

    void admitNext(Turns& turns, qint64 nowMs);
    void forgetIdle(qint64 nowMs);

    QMutex m_lock;
    QHash<QString, Turns> m_turns;
};
