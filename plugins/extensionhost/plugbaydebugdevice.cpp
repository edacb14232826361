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

QByteArray PlugbayDebugDevice::takeAll(qint64* dropped)
{
    QMutexLocker lock(&m_mutex);
    trim();
    QByteArray taken;
    taken.swap(m_pending);
    *dropped = m_dropped;
    m_dropped = 0;
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
        // Of a write longer than what is kept, only its end is copied; with
        // the byte before it, which tells trim() whether a line starts there.
        const qint64 skipped = qMax<qint64>(0, size - MAX_PENDING_BYTES - 1);
        if (skipped > 0) {
            m_dropped += m_pending.size() + skipped;
            m_pending.clear();
        }
        m_pending.append(data + skipped, int(size - skipped));
        // Trimmed in steps, not at every write of a flood.
        if (skipped > 0 || m_pending.size() > 2 * MAX_PENDING_BYTES)
            trim();
    }
    // One notice per batch, however many writes it gathers.
    if (first)
        QMetaObject::invokeMethod(this, [this] { emit readyRead(); }, Qt::QueuedConnection);
    return size;
}

void PlugbayDebugDevice::trim()
{
    int cut = m_pending.size() - MAX_PENDING_BYTES;
    if (cut <= 0)
        return;
    const int newline = m_pending.indexOf('\n', cut - 1);
    if (newline >= 0 && newline + 1 < m_pending.size()) {
        cut = newline + 1;
    } else {
        // No line starts in what is kept: it starts with a whole character.
        while (cut < m_pending.size() && (uchar(m_pending.at(cut)) & 0xc0) == 0x80)
            ++cut;
    }
    m_dropped += cut;
    m_pending.remove(0, cut);
}
