#include "plugbaydebugdevice.h"

#include <QMutexLocker>

PlugbayDebugDevice::PlugbayDebugDevice(QObject* parent)
    : QIODevice(parent)
{
}

bool PlugbayDebugDevice::isSequential() const
{
    // No position to keep: a sequential device's write() touches no state
    // but what writeData() guards.
    return true;
}

QByteArray PlugbayDebugDevice::takeAll()
{
    QMutexLocker lock(&m_mutex);
    QByteArray taken;
    taken.swap(m_pending);
    return taken;
}

qint64 PlugbayDebugDevice::readData(char* data, qint64 maxSize)
{
    Q_UNUSED(data)
    Q_UNUSED(maxSize)
    return 0;
}

qint64 PlugbayDebugDevice::writeData(const char* data, qint64 size)
{
    if (size <= 0)
        return 0;
    bool first = false;
    {
        QMutexLocker lock(&m_mutex);
        first = m_pending.isEmpty();
        m_pending.append(data, int(size));
    }
    // One notice per batch, however many writes it gathers.
    if (first)
        QMetaObject::invokeMethod(this, [this] { emit readyRead(); }, Qt::QueuedConnection);
    return size;
}
