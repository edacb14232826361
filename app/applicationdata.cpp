#include "applicationdata.h"

#include <QCoreApplication>
#include <QFile>
#include <QSharedMemory>
#include <QSystemSemaphore>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace {
// The segment holds the mailbox, then the process ID of the instance that owns it.
const int MAILBOX_SIZE = int(sizeof(qint32));
const int OWNER_OFFSET = MAILBOX_SIZE;
const int SEGMENT_SIZE = MAILBOX_SIZE + int(sizeof(qint32));
const char DELETED_EXECUTABLE_MARK[] = " (deleted)";

qint32* mailboxOf(QSharedMemory* segment)
{
    return static_cast<qint32*>(segment->data());
}

qint32* ownerOf(QSharedMemory* segment)
{
    return reinterpret_cast<qint32*>(static_cast<char*>(segment->data()) + OWNER_OFFSET);
}

// The executable a process runs, as the kernel names it. Empty with *known
// false when that cannot be read (no /proc, no permission).
QString executableOf(pid_t pid, bool* known)
{
    const QByteArray processDir = "/proc/" + QByteArray::number(pid);
    QByteArray target(4096, '\0');
    const ssize_t length = ::readlink(processDir + "/exe", target.data(), size_t(target.size()));
    const int readError = errno;
    // A process that has ended but is not yet reaped has its /proc entry
    // without an executable.
    *known = length > 0 || (readError == ENOENT && ::access(processDir.constData(), F_OK) == 0);
    if (length <= 0)
        return QString();
    target.truncate(int(length));
    // A program replaced on disk while it runs is still the same instance.
    if (target.endsWith(DELETED_EXECUTABLE_MARK))
        target.chop(int(sizeof(DELETED_EXECUTABLE_MARK)) - 1);
    return QFile::decodeName(target);
}

// Whether the process that claimed the segment is still this program. A
// segment can outlive its instance with an attachment still counted, and a
// process ID can be handed to another program after the owner died.
bool ownerIsRunning(pid_t pid)
{
    if (pid <= 0)
        return false;
    if (::kill(pid, 0) != 0 && errno != EPERM)
        return false;
    bool known = false;
    const QString executable = executableOf(pid, &known);
    // Without a readable /proc entry the owner cannot be told apart from
    // another program: it is taken to be alive, as before the check existed.
    if (!known)
        return true;
    return executable == QCoreApplication::applicationFilePath();
}
}

ApplicationData::ApplicationData(QObject* parent)
    : QObject(parent)
    , m_organizationName(QStringLiteral("Velmora"))
    , m_organizationDomain(QStringLiteral("https://velmora.example.org"))
    , m_applicationName(QStringLiteral("Velmora Desk"))
    , m_windowIcon(QStringLiteral(":/Icon/pict/Icon32.png"))
    , m_trayIcon(QStringLiteral(":/Icon/pict/Icon16.png"))
{
    initSingleInstance();
}

QString ApplicationData::semaphoreKey()
{
    return QCoreApplication::applicationFilePath() + QStringLiteral("_1");
}

QString ApplicationData::sharedMemoryKey()
{
    return QCoreApplication::applicationFilePath() + QStringLiteral("_2");
}

void ApplicationData::initSingleInstance()
{
    // The semaphore serialises the attach-or-create decision of instances
    // started at the same moment.
    QSystemSemaphore semaphore(semaphoreKey(), 1, QSystemSemaphore::Open);
    semaphore.acquire();

    {
        // A segment left behind by a crashed instance is released by the last
        // detach on systems where segments outlive their process.
        QSharedMemory leftover(sharedMemoryKey());
        leftover.attach(QSharedMemory::ReadWrite);
    }

    m_sharedMemory = new QSharedMemory(sharedMemoryKey(), this);
    if (m_sharedMemory->attach(QSharedMemory::ReadWrite)) {
        m_alreadyRunning = true;
        // A segment too small to name its owner comes from a build without
        // the owner record: its instance is taken to be alive.
        if (m_sharedMemory->size() >= SEGMENT_SIZE) {
            m_sharedMemory->lock();

            if (!ownerIsRunning(pid_t(*ownerOf(m_sharedMemory)))) {
                // Left by a dead instance: the start goes on and this instance
                // owns the segment from now on.
                *mailboxOf(m_sharedMemory) = 0;
                *ownerOf(m_sharedMemory) = qint32(::getpid());
                m_alreadyRunning = false;
            }
            m_sharedMemory->unlock();
        }
    } else {
        m_alreadyRunning = false;
        if (m_sharedMemory->create(SEGMENT_SIZE, QSharedMemory::ReadWrite)) {
            m_sharedMemory->lock();
            *mailboxOf(m_sharedMemory) = 0;
            *ownerOf(m_sharedMemory) = qint32(::getpid());
            m_sharedMemory->unlock();
        }
    }

    semaphore.release();
}

int ApplicationData::sharedValue() const
{
    // Read without the lock: an aligned 4-byte value is read whole, and a
    // value seen a moment early is handled on the next timer tick.
    if (!m_sharedMemory || m_sharedMemory->size() < MAILBOX_SIZE || !m_sharedMemory->constData())
        return 0;
    return *static_cast<const volatile qint32*>(m_sharedMemory->constData());
}

void ApplicationData::setSharedValue(int value)
{
    if (!m_sharedMemory || m_sharedMemory->size() < MAILBOX_SIZE)
        return;
    if (sharedValue() == value)
        return;
    m_sharedMemory->lock();
    *mailboxOf(m_sharedMemory) = value;
    m_sharedMemory->unlock();
}
