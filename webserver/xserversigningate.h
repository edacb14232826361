#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// Makes the sign-ins from one address wait their turn. An address is checked
// one sign-in at a time; once it has signed in successfully it is trusted for
// a while and its sign-ins are checked side by side (several browsers behind
// one address). Each failure ends that trust and puts the address's next
// check one delay later; parallel connections from one address thus guess no
// faster than one connection, and other addresses are not held up.
//
// Waiting is bounded: while a failure holds an address at most four of its
// sign-ins wait for their turn, and only so many wait or hold a failure's
// answer in all. A sign-in beyond them is turned away unchecked, and so is a
// waiting one that gives up its place: the caller answers it as busy.
//
// Lives in the network thread and is used only there.
class XServerSignInGate : public QObject
{
public:
    enum class Outcome { Succeeded, Failed, NotChecked };
    enum class Entry { CheckNow, Waits, TurnedAway };

    explicit XServerSignInGate(QObject* parent = nullptr);

    // CheckNow: the caller starts the check itself. Waits: start runs when
    // the address's turn comes, or turnAway when the sign-in is to go
    // unchecked after all. The context stands for the sign-in in leave().
    Entry enter(const QString& address, QObject* context, std::function<void()> start,
        std::function<void()> turnAway);
    // A waiting sign-in that goes away gives up its place.
    void leave(const QString& address, QObject* context);
    // A check of the address has ended: only success trusts the address,
    // and only failure delays it. Returns how long a failure's answer is to
    // be held (until the address's next check), or 0 when it is answered at
    // once; a held answer is released with holdEnded().
    int checked(const QString& address, Outcome outcome, int failureDelayMs);
    void holdEnded();
    // Whole seconds until the address may be checked again, at least one:
    // what a busy answer tells the client to wait.
    int retryAfterSeconds(const QString& address) const;

private:
    struct Waiter
    {
        QObject* context = nullptr;
        std::function<void()> start;
        std::function<void()> turnAway;
    };
    struct Turns
    {
        int checking = 0;
        qint64 notBeforeMs = 0;
        qint64 trustedUntilMs = 0;
        QList<Waiter> waiting;
    };

    static bool mayStart(const Turns& turns, qint64 nowMs);
    static bool idle(const Turns& turns, qint64 nowMs);
    bool full() const;
    void admitReady();
    void scheduleNextTurn(qint64 nowMs);
    void forgetIdle(qint64 nowMs);

    QHash<QString, Turns> m_turns;
    int m_waiting = 0;
    int m_held = 0;
    QTimer* m_nextTurn = nullptr;
};
