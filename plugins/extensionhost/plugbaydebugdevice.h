#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QMutex>

// The device an extension writes its debug text to. Extensions may write
// from any thread: each write is kept whole, and readyRead() is emitted in
// the thread the device lives in, where the text is taken.
class PlugbayDebugDevice : public QIODevice
{
    Q_OBJECT

public:
    explicit PlugbayDebugDevice(QObject* parent = nullptr);

    bool isSequential() const override;
    // Everything written since the last call, in the order it was written.
    QByteArray takeAll();

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    QMutex m_mutex;
    QByteArray m_pending;
};
