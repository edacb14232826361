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

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}

void XServerSignInGate::enqueue(const QString& address, QObject* context, std::function<void()> start)
{
    QMutexLocker locker(&m_lock);
    const qint64 now = nowMs();
    if (m_turns.size() > REMEMBERED_ADDRESSES)
        forgetIdle(now);
    Turns& turns = m_turns[address];
    if (!turns.checking && turns.waiting.isEmpty() && now >= turns.notBeforeMs) {
        turns.checking = true;
        turns.holder = context;
        locker.unlock();
        start();
        return;
    }
    turns.waiting.append({ context, std::move(start) });
    if (!turns.checking)
        admitNext(turns, now);
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
        if (turns.holder == context) {
            turns.holder = nullptr;
            turns.checking = false;
            if (!turns.waiting.isEmpty())
                admitNext(turns, now);
        }
    }
}

void XServerSignInGate::checked(const QString& address, int failureDelayMs)
{
    QMutexLocker locker(&m_lock);
    const auto it = m_turns.find(address);
    if (it == m_turns.end())
        return;
    const qint64 now = nowMs();
    Turns& turns = it.value();
    turns.checking = false;
    turns.holder = nullptr;
    if (failureDelayMs > 0)
        turns.notBeforeMs = std::max(turns.notBeforeMs, now + failureDelayMs);
    if (!turns.waiting.isEmpty())
        admitNext(turns, now);
    else if (now >= turns.notBeforeMs)
        m_turns.erase(it);
}

void XServerSignInGate::admitNext(Turns& turns, qint64 now)
{
    const Waiter next = turns.waiting.takeFirst();
    turns.checking = true;
    turns.holder = next.context;
    const int waitMs = int(std::max<qint64>(0, turns.notBeforeMs - now));
    QObject* context = next.context;
    const std::function<void()> start = next.start;
    // Posted while the lock is held: a context on its way out cancels under
    // the same lock, and its pending events go with it.
    QMetaObject::invokeMethod(
        context,
        [context, start, waitMs]() {
            if (waitMs == 0)
                start();
            else
                QTimer::singleShot(waitMs, Qt::PreciseTimer, context, start);
        },
        Qt::QueuedConnection);
}

void XServerSignInGate::forgetIdle(qint64 now)
{
    for (auto it = m_turns.begin(); it != m_turns.end();) {
        const Turns& turns = it.value();
        if (!turns.checking && turns.waiting.isEmpty() && now >= turns.notBeforeMs)
            it = m_turns.erase(it);
        else
            ++it;
    }
}
