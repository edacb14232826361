#include "xserveradmission.h"

#include "xserverlistener.h"

#include <QMutexLocker>

namespace {
// Places given to newcomers whose former holders have not yet been closed
// by their threads: each is a descriptor beyond the count, so only a few may
// be outstanding; further newcomers wait in the kernel's backlog meanwhile.
const int MAX_GIVEN_AWAY = 4;
}

void XServerAdmission::reset(int budget, qint64 descriptorCeiling)
{
    QMutexLocker locker(&m_lock);
    m_budget = budget;
    m_descriptorCeiling = descriptorCeiling;
}

XServerAdmission::Place XServerAdmission::admit(qintptr descriptor, XServerListener* accepting)
{
    QMutexLocker locker(&m_lock);
    Place place;
    // Descriptors are handed out lowest first, so a newcomer's number beyond
    // the ceiling tells that the rest of the program has opened more.
    const bool full = m_open.loadRelaxed() >= m_budget
        || (m_descriptorCeiling > 0 && descriptor >= m_descriptorCeiling);
    if (!full) {
        m_open.ref();
        place.id = ++m_lastId;
        return place;
    }
    if (m_givenAway.size() >= MAX_GIVEN_AWAY) {
        if (!m_waitingOnPeer.isEmpty()) {
            m_waitingForPlace.insert(accepting);
            place.wait = true;
        }
        return place;
    }
    // The address holding the most, the oldest of them where two hold as many.
    auto chosen = m_waitingOnPeer.end();
    for (auto it = m_waitingOnPeer.begin(); it != m_waitingOnPeer.end(); ++it) {
        if (chosen == m_waitingOnPeer.end() || it->size() > chosen->size()
            || (it->size() == chosen->size() && it->begin()->first < chosen->begin()->first))
            chosen = it;
    }
    if (chosen == m_waitingOnPeer.end())
        return place;
    const auto oldest = chosen->begin();
    place.evictId = oldest->first;
    place.evictFrom = oldest->second;
    chosen->erase(oldest);
    if (chosen->empty())
        m_waitingOnPeer.erase(chosen);
    m_givenAway.insert(place.evictId);
    place.id = ++m_lastId;
    return place;
}

bool XServerAdmission::setWaitsOnPeer(quint64 id, const QString& address, XServerListener* listener, bool waits)
{
    QMutexLocker locker(&m_lock);
    if (m_givenAway.contains(id))
        return false;
    if (waits) {
        m_waitingOnPeer[address].emplace(id, listener);
        return true;
    }
    const auto it = m_waitingOnPeer.find(address);
    if (it != m_waitingOnPeer.end()) {
        it->erase(id);
        if (it->empty())
            m_waitingOnPeer.erase(it);
    }
    return true;
}

void XServerAdmission::ended(quint64 id, const QString& address)
{
    QMutexLocker locker(&m_lock);
    // Its place went to a newcomer already, and its entry with it.
    if (m_givenAway.remove(id)) {
        // Posted under the lock: a listener stops waiting under it before it goes.
        for (XServerListener* listener : qAsConst(m_waitingForPlace))
            QMetaObject::invokeMethod(listener, [listener]() { listener->admitWaiting(); }, Qt::QueuedConnection);
        m_waitingForPlace.clear();
        return;
    }
    const auto it = m_waitingOnPeer.find(address);
    if (it != m_waitingOnPeer.end()) {
        it->erase(id);
        if (it->empty())
            m_waitingOnPeer.erase(it);
    }
    m_open.deref();
}

void XServerAdmission::stopWaiting(XServerListener* listener)
{
    QMutexLocker locker(&m_lock);
    m_waitingForPlace.remove(listener);
}

int XServerAdmission::open() const
{
    return m_open.loadAcquire();
}
