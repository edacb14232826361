#include "xserversigningate.h"

#include <QMutexLocker>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace {
// Addresses whose last failure has long been served are forgotten once this
// many are remembered.
const int REMEMBERED_ADDRESSES = 256;
// How long a successful sign-in lets an address be checked side by side.
const int TRUST_MS = 60000;
// Sign-ins of one address that may wait for their turn at a time.
const int MAX_WAITING = 4;

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}

bool XServerSignInGate::enqueue(
    const QString& address, QObject* context, std::function<void()> start, std::function<void()> refuse)
{
    QMutexLocker locker(&m_lock);
    const qint64 now = nowMs();
    if (m_turns.size() > REMEMBERED_ADDRESSES)
        forgetIdle(now);
    Turns& turns = m_turns[address];
    if (turns.waiting.isEmpty() && mayStart(turns, now)) {
        ++turns.checking;
        locker.unlock();
        start();
        return true;
    }
    if (turns.waiting.size() >= MAX_WAITING && now < turns.notBeforeMs)
        return false;
    turns.waiting.append({ context, std::move(start), std::move(refuse) });
    if (turns.checking == 0)
        admitNext(address, turns, now);
    return true;
}

bool XServerSignInGate::mayStart(const Turns& turns, qint64 now)
{
    if (now < turns.notBeforeMs)
        return false;
    return turns.checking == 0 || now < turns.trustedUntilMs;
}

void XServerSignInGate::cancel(QObject* context)
{
    QMutexLocker locker(&m_lock);
    const qint64 now = nowMs();
    for (auto it = m_turns.begin(); it != m_turns.end(); ++it) {
        Turns& turns = it.value();
        for (int i = turns.waiting.size() - 1; i >= 0; --i) {
            if (turns.waiting.at(i).context == context)
                turns.waiting.removeAt(i);
        }
        if (turns.starting.removeAll(context) > 0) {
            --turns.checking;
            if (!turns.waiting.isEmpty() && (turns.checking == 0 || mayStart(turns, now)))
                admitNext(it.key(), turns, now);
        }
    }
}

int XServerSignInGate::checked(const QString& address, Outcome outcome, int failureDelayMs)
{
    const bool failed = outcome == Outcome::Failed;
    QMutexLocker locker(&m_lock);
    const auto it = m_turns.find(address);
    if (it == m_turns.end())
        return failed ? failureDelayMs : 0;
    const qint64 now = nowMs();
    Turns& turns = it.value();
    --turns.checking;
    int holdMs = 0;
    if (failed) {
        turns.notBeforeMs = std::max(turns.notBeforeMs, now) + failureDelayMs;
        turns.trustedUntilMs = 0;
        holdMs = int(turns.notBeforeMs - now);
        // Those that came while the address was not yet held by a failure
        // waited without a bound; now the youngest beyond it are refused.
        while (turns.waiting.size() > MAX_WAITING) {
            const Waiter refused = turns.waiting.takeLast();
            QMetaObject::invokeMethod(refused.context, refused.refuse, Qt::QueuedConnection);
        }
    } else if (outcome == Outcome::Succeeded) {
        turns.trustedUntilMs = now + TRUST_MS;
    }
    if (!turns.waiting.isEmpty() && (turns.checking == 0 || mayStart(turns, now)))
        admitNext(address, turns, now);
    else if (turns.checking == 0 && turns.waiting.isEmpty() && now >= turns.notBeforeMs
        && now >= turns.trustedUntilMs)
        m_turns.erase(it);
    return holdMs;
}

void XServerSignInGate::admitNext(const QString& address, Turns& turns, qint64 now)
{
    // One at a time, at the address's next slot; a trusted address with its
    // slots passed lets everybody still waiting go together.
    const bool together = now >= turns.notBeforeMs && now < turns.trustedUntilMs;
    const int waitMs = int(std::max<qint64>(0, turns.notBeforeMs - now));
    do {
        const Waiter next = turns.waiting.takeFirst();
        ++turns.checking;
        turns.starting.append(next.context);
        QObject* context = next.context;
        const std::function<void()> start = next.start;
        auto run = [this, address, context, start]() {
            started(address, context);
            start();
        };
        // Posted while the lock is held: a context on its way out cancels
        // under the same lock, and its pending events go with it.
        QMetaObject::invokeMethod(
            context,
            [context, run, waitMs]() {
                if (waitMs == 0)
                    run();
                else
                    QTimer::singleShot(waitMs, Qt::PreciseTimer, context, run);
            },
            Qt::QueuedConnection);
    } while (together && !turns.waiting.isEmpty());
}

void XServerSignInGate::started(const QString& address, QObject* context)
{
    QMutexLocker locker(&m_lock);
    const auto it = m_turns.find(address);
    if (it != m_turns.end())
        it->starting.removeOne(context);
}

void XServerSignInGate::forgetIdle(qint64 now)
{
    for (auto it = m_turns.begin(); it != m_turns.end();) {
        const Turns& turns = it.value();
        if (turns.checking == 0 && turns.waiting.isEmpty() && now >= turns.notBeforeMs
            && now >= turns.trustedUntilMs)
            it = m_turns.erase(it);
        else
            ++it;
    }
}
