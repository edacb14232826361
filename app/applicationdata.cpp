#include "applicationdata.h"

#include <QCoreApplication>
#include <QSharedMemory>
#include <QSystemSemaphore>

namespace {
const int MAILBOX_SIZE = int(sizeof(qint32));
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
    } else {
        m_alreadyRunning = false;
        if (m_sharedMemory->create(MAILBOX_SIZE, QSharedMemory::ReadWrite)) {
            m_sharedMemory->lock();
            *static_cast<qint32*>(m_sharedMemory->data()) = 0;
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
    *static_cast<qint32*>(m_sharedMemory->data()) = value;
    m_sharedMemory->unlock();
}
