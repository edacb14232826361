#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QMutex>

// The device an extension writes its debug text to. Extensions may write
// from any thread: each write is kept whole, and readyRead() is emitted in
// the thread the device lives in, where the text is taken.
//
// What is written and not taken yet is bounded: beyond the limit the oldest
// lines go, and the device counts the bytes that went, so that a writer
// faster than the taker costs neither memory nor the taker's time.
class PlugbayDebugDevice : public QIODevice
{
    Q_OBJECT

public:
    // The most text the device keeps for the taker.
    static constexpr int MAX_PENDING_BYTES = 64 * 1024;

    explicit PlugbayDebugDevice(QObject* parent = nullptr);

    bool isSequential() const override;
    // Everything kept since the last call, in the order it was written, and
    // the number of bytes written before it that were dropped.
    QByteArray takeAll(qint64* dropped);

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    // Drops the oldest text down to the limit, at the start of a line where
    // one lies within it. Called with the mutex held.
    void trim();

    QMutex m_mutex;
    QByteArray m_pending;
    qint64 m_dropped = 0;
};
