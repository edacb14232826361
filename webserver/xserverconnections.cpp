#include "xserverconnections.h"

#include "xserverlistener.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QMutexLocker>
#include <QThread>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {
// Beyond this many open connections a newcomer is closed at once, or takes
// the place of a quiet connection of a busier address (see the class).
const int MAX_CONNECTIONS = 500;
// Descriptors that connections never take, so that the program can still
// open its files, start threads and save at exit however many peers connect.
const int RESERVED_DESCRIPTORS = 64;
const int MAX_NETWORK_THREADS = 4;
const int MIN_WORKERS = 4;
const int SHUTDOWN_POLL_MS = 10;

qint64 softDescriptorLimit()
{
#ifdef Q_OS_UNIX
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        return qint64(limit.rlim_cur);
#endif
    return 0;
}

qintptr copyDescriptor(qintptr descriptor)
{
#ifdef Q_OS_UNIX
    return ::dup(int(descriptor));
#else
    Q_UNUSED(descriptor)
    return -1;
#endif
}

void closeDescriptor(qintptr descriptor)
{
#ifdef Q_OS_UNIX
    ::close(int(descriptor));
#else
    Q_UNUSED(descriptor)
#endif
}
}

XServerConnections::XServerConnections()
    : m_applicationFolder(QCoreApplication::applicationDirPath())
{
    const qint64 limit = softDescriptorLimit();
    m_descriptorCeiling = limit > 0 ? limit - RESERVED_DESCRIPTORS : 0;
    m_workers.setMaxThreadCount(qMax(MIN_WORKERS, QThread::idealThreadCount()));
    m_workers.setExpiryTimeout(-1);
}

XServerConnections::~XServerConnections()
{
    {
        QMutexLocker locker(&m_dispatchLock);
        m_stopping.storeRelease(1);
    }
    // A worker may be waiting on a call into this thread; the calls return at
    // once now, but they have to be delivered.
    while (!m_workers.waitForDone(SHUTDOWN_POLL_MS))
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    // Connections handed over but not yet taken are taken before the threads
    // end: each listener goes with its thread, and its connections with it.
    stopListening();
    for (XServerListener* listener : m_listeners)
        QMetaObject::invokeMethod(listener, []() {}, Qt::BlockingQueuedConnection);
    for (const std::unique_ptr<QThread>& thread : m_threads) {
        thread->quit();
        thread->wait();
    }
}

bool XServerConnections::listen(qintptr listeningDescriptor, int delay, bool secure)
{
    if (m_threads.empty()) {
        const int count = qBound(1, QThread::idealThreadCount() / 2, MAX_NETWORK_THREADS);
        for (int i = 0; i < count; ++i) {
            auto thread = std::make_unique<QThread>();
            thread->setObjectName(QStringLiteral("web server %1").arg(i));
            auto* listener = new XServerListener(this);
            listener->moveToThread(thread.get());
            QObject::connect(thread.get(), &QThread::finished, listener, &QObject::deleteLater);
            thread->start();
            m_listeners.push_back(listener);
            m_threads.push_back(std::move(thread));
        }
    }

    XServerListener* acceptor = m_listeners.front();
    const qintptr copy = copyDescriptor(listeningDescriptor);
    if (copy < 0)
        return false;
    bool taken = false;
    QMetaObject::invokeMethod(
        acceptor, [&]() { taken = acceptor->listenOn(copy, delay, secure); }, Qt::BlockingQueuedConnection);
    if (!taken)
        closeDescriptor(copy);
    return taken;
}

void XServerConnections::stopListening()
{
    for (XServerListener* listener : m_listeners)
        QMetaObject::invokeMethod(listener, [listener]() { listener->close(); }, Qt::BlockingQueuedConnection);
}

int XServerConnections::active() const
{
    return m_active.loadAcquire();
}

XServerConnections::Admission XServerConnections::admit(qintptr descriptor)
{
    // Descriptors are handed out lowest first, so a newcomer's number tells
    // how many are open.
    if (m_descriptorCeiling > 0 && descriptor >= m_descriptorCeiling)
        return Admission::NoDescriptors;
    for (;;) {
        const int open = m_active.loadAcquire();
        if (open >= MAX_CONNECTIONS)
            return Admission::AtLimit;
        if (m_active.testAndSetOrdered(open, open + 1))
            return Admission::Admitted;
    }
}

bool XServerConnections::makeRoomFor(const QString& newcomerAddress, XServerListener* asker)
{
    QuietConnection victim;
    {
        QMutexLocker locker(&m_quietLock);
        const auto own = m_quietByAddress.constFind(newcomerAddress);
        const size_t ownCount = own == m_quietByAddress.cend() ? 0 : own->size();
        auto heaviest = m_quietByAddress.end();
        for (auto it = m_quietByAddress.begin(); it != m_quietByAddress.end(); ++it) {
            if (heaviest == m_quietByAddress.end() || it->size() > heaviest->size())
                heaviest = it;
        }
        if (heaviest == m_quietByAddress.end() || heaviest->size() < ownCount + 2)
            return false;
        victim = heaviest->front();
        heaviest->pop_front();
        if (heaviest->empty())
            m_quietByAddress.erase(heaviest);
        m_quietPlaces.remove(victim.id);
    }
    // Closed in its own thread, and waited for, so that the count has gone
    // down before the newcomer is counted. The other network threads never
    // wait on the accepting one, so this cannot deadlock.
    if (victim.owner == asker)
        return asker->closeQuiet(victim.id);
    bool closed = false;
    QMetaObject::invokeMethod(
        victim.owner, [&closed, victim]() { closed = victim.owner->closeQuiet(victim.id); },
        Qt::BlockingQueuedConnection);
    return closed;
}

quint64 XServerConnections::nextConnectionId()
{
    return m_lastConnectionId.fetchAndAddRelaxed(1) + 1;
}

void XServerConnections::listQuiet(quint64 id, const QString& address, XServerListener* owner)
{
    QMutexLocker locker(&m_quietLock);
    std::list<QuietConnection>& list = m_quietByAddress[address];
    list.push_back({ id, owner });
    m_quietPlaces.insert(id, { address, std::prev(list.end()) });
}

void XServerConnections::unlistQuiet(quint64 id)
{
    QMutexLocker locker(&m_quietLock);
    const auto place = m_quietPlaces.find(id);
    if (place == m_quietPlaces.end())
        return;
    const auto list = m_quietByAddress.find(place->address);
    list->erase(place->entry);
    if (list->empty())
        m_quietByAddress.erase(list);
    m_quietPlaces.erase(place);
}

QString XServerConnections::peerAddressOf(qintptr descriptor)
{
#ifdef Q_OS_UNIX
    sockaddr_storage address {};
    socklen_t length = sizeof(address);
    if (::getpeername(int(descriptor), reinterpret_cast<sockaddr*>(&address), &length) == 0)
        return QHostAddress(reinterpret_cast<const sockaddr*>(&address)).toString();
#else
    Q_UNUSED(descriptor)
#endif
    return QString();
}

XServerListener* XServerConnections::leastLoaded(XServerListener* asker) const
{
    XServerListener* least = asker;
    for (XServerListener* listener : m_listeners) {
        if (listener->load() < least->load())
            least = listener;
    }
    return least;
}

void XServerConnections::release()
{
    m_active.fetchAndSubOrdered(1);
}

bool XServerConnections::dispatch(std::function<void()> task)
{
    QMutexLocker locker(&m_dispatchLock);
    if (m_stopping.loadAcquire())
        return false;
    m_workers.start(std::move(task));
    return true;
}

bool XServerConnections::isStopping() const
{
    return m_stopping.loadAcquire() != 0;
}

XServerSignInGate* XServerConnections::signInGate()
{
    return &m_signInGate;
}

QString XServerConnections::applicationFolder() const
{
    return m_applicationFolder;
}
