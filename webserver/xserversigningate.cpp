#include "xserversigningate.h"

#include <algorithm>
#include <chrono>

namespace {
// Addresses whose last failure has long been served are forgotten once this
// many are remembered.
const int REMEMBERED_ADDRESSES = 256;
// How long a successful sign-in lets an address be checked side by side.
const int TRUST_MS = 60000;
// Sign-ins of one address that may wait while a failure holds it.
const int MAX_WAITING_PER_ADDRESS = 4;
// Sign-ins waiting or holding a failure's answer, all addresses together:
// well below the server's 500 places, so that they never fill it.
const int MAX_WAITING_IN_ALL = 100;

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}

XServerSignInGate::XServerSignInGate(QObject* parent)
    : QObject(parent)
    , m_nextTurn(new QTimer(this))
{
    m_nextTurn->setSingleShot(true);
    m_nextTurn->setTimerType(Qt::PreciseTimer);
    connect(m_nextTurn, &QTimer::timeout, this, &XServerSignInGate::admitReady);
}

XServerSignInGate::Entry XServerSignInGate::enter(
    const QString& address, QObject* context, std::function<void()> start, std::function<void()> turnAway)
{
    const qint64 now = nowMs();
    if (m_turns.size() > REMEMBERED_ADDRESSES)
        forgetIdle(now);
    Turns& turns = m_turns[address];
    if (turns.waiting.isEmpty() && mayStart(turns, now)) {
        ++turns.checking;
        return Entry::CheckNow;
    }
    if (full() || (turns.waiting.size() >= MAX_WAITING_PER_ADDRESS && now < turns.notBeforeMs))
        return Entry::TurnedAway;
    turns.waiting.append({ context, std::move(start), std::move(turnAway) });
    ++m_waiting;
    scheduleNextTurn(now);
    return Entry::Waits;
}

void XServerSignInGate::leave(const QString& address, QObject* context)
{
    const auto it = m_turns.find(address);
    if (it == m_turns.end())
        return;
    for (int i = it->waiting.size() - 1; i >= 0; --i) {
        if (it->waiting.at(i).context == context) {
            it->waiting.removeAt(i);
            --m_waiting;
        }
    }
}

int XServerSignInGate::checked(const QString& address, Outcome outcome, int failureDelayMs)
{
    const auto it = m_turns.find(address);
    if (it == m_turns.end())
        return 0;
    const qint64 now = nowMs();
    Turns& turns = it.value();
    --turns.checking;
    int holdMs = 0;
    QList<std::function<void()>> turnedAway;
    if (outcome == Outcome::Failed) {
        turns.notBeforeMs = std::max(turns.notBeforeMs, now) + failureDelayMs;
        turns.trustedUntilMs = 0;
        // Those that came while the address was not yet held by a failure
        // waited without a bound of their own; now the youngest beyond it go.
        while (turns.waiting.size() > MAX_WAITING_PER_ADDRESS) {
            turnedAway.append(turns.waiting.takeLast().turnAway);
            --m_waiting;
        }
        // The answer waits with the address, where there is room for it.
        if (turns.notBeforeMs > now && !full()) {
            holdMs = int(turns.notBeforeMs - now);
            ++m_held;
        }
    } else if (outcome == Outcome::Succeeded) {
        turns.trustedUntilMs = now + TRUST_MS;
    }
    if (idle(turns, now))
        m_turns.erase(it);
    admitReady();
    for (const std::function<void()>& turnAway : qAsConst(turnedAway))
        turnAway();
    return holdMs;
}

void XServerSignInGate::holdEnded()
{
    --m_held;
}

int XServerSignInGate::retryAfterSeconds(const QString& address) const
{
    const qint64 waitMs = m_turns.value(address).notBeforeMs - nowMs();
    return int(std::max<qint64>(1, (waitMs + 999) / 1000));
}

bool XServerSignInGate::mayStart(const Turns& turns, qint64 now)
{
    if (now < turns.notBeforeMs)
        return false;
    return turns.checking == 0 || now < turns.trustedUntilMs;
}

bool XServerSignInGate::idle(const Turns& turns, qint64 now)
{
    return turns.checking == 0 && turns.waiting.isEmpty() && now >= turns.notBeforeMs
        && now >= turns.trustedUntilMs;
}

bool XServerSignInGate::full() const
{
    return m_waiting + m_held >= MAX_WAITING_IN_ALL;
}

void XServerSignInGate::admitReady()
{
    // One at a time at the address's next slot; a trusted address with its
    // slots passed lets everybody still waiting go together. The starts run
    // once the lists are settled: a start may end its connection.
    const qint64 now = nowMs();
    QList<std::function<void()>> starts;
    for (auto it = m_turns.begin(); it != m_turns.end(); ++it) {
        Turns& turns = it.value();
        while (!turns.waiting.isEmpty() && mayStart(turns, now)) {
            starts.append(turns.waiting.takeFirst().start);
            --m_waiting;
            ++turns.checking;
        }
    }
    scheduleNextTurn(now);
    for (const std::function<void()>& start : qAsConst(starts))
        start();
}

void XServerSignInGate::scheduleNextTurn(qint64 now)
{
    // Only slots still to come need the timer: a check that ends admits the
    // next of its address itself.
    qint64 nextMs = -1;
    for (auto it = m_turns.cbegin(); it != m_turns.cend(); ++it) {
        if (!it->waiting.isEmpty() && it->notBeforeMs > now && (nextMs < 0 || it->notBeforeMs < nextMs))
            nextMs = it->notBeforeMs;
    }
    if (nextMs >= 0)
        m_nextTurn->start(int(nextMs - now));
}

void XServerSignInGate::forgetIdle(qint64 now)
{
    for (auto it = m_turns.begin(); it != m_turns.end();) {
        if (idle(it.value(), now))
            it = m_turns.erase(it);
        else
            ++it;
    }
}
