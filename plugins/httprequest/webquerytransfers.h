#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVector>

#include <memory>
#include <thread>

// Runs the module's HTTP transfers on libcurl's multi interface in a thread
// of their own, so that nothing a server sends, or leaves unsent, can hold
// up the GUI thread.
//
// Threads: the object is made, called and destroyed in the GUI thread;
// finished() is emitted in the transfer thread and reaches the module as a
// queued call. The transfer thread owns everything of libcurl (the multi and
// easy handles, every connection) and the read end of the wake-up pipe. The
// one thing both threads touch is the inbox (requests not taken yet and the
// marks to drop everything or to stop), under m_inboxMutex; after each
// change the GUI thread writes a byte into the wake-up pipe.
class WebqueryTransfers : public QObject
{
    Q_OBJECT

public:
    enum Outcome { Answered, Failed, TooLarge, TimedOut };
    // An answer goes whole into the tab, the component and every browser
    // that shows it; counted as it is taken in, i.e. after decompression.
    static constexpr qint64 MAX_ANSWER_SIZE = 4 * 1024 * 1024;

    explicit WebqueryTransfers(QObject* parent = nullptr);
    // Stops the transfer thread and waits for it, which takes no longer than
    // one round of its loop: what is still running is dropped, unreported.
    ~WebqueryTransfers() override;

    // Sends an HTTP GET of the URL. Its end comes as finished(id, ...),
    // TimedOut at the latest when the deadline has passed, however long the
    // request waited for a connection.
    void get(quint64 id, const QUrl& url, const QDeadlineTimer& deadline);
    // Ends every transfer, running or waiting, without reporting it.
    void dropAll();

signals:
    // The whole body of an answer (an error page too); for a failure, the
    // reason as libcurl gives it.
    void finished(quint64 id, int outcome, const QByteArray& body, const QString& reason);

private:
    struct Request
    {
        quint64 id = 0;
        QByteArray url;
        QDeadlineTimer deadline;
    };
    // What the transfer thread owns; made before the thread starts.
    class Loop;

    void wake();

    std::unique_ptr<Loop> m_loop;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    QMutex m_inboxMutex;
    QVector<Request> m_inbox;
    bool m_dropAll = false;
    bool m_stop = false;
    std::thread m_thread;
};
