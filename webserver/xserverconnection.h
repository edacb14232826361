#pragma once

#include "xserversocketthread.h"

#include <QAtomicInt>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QFile;
class QTcpSocket;
class RequestFraming;
class XServerListener;

// One connection of the web server, in the network thread: reads until the
// request is complete, answers a GET at once, passes a POST through the
// sign-in gate to the GUI thread, writes the one answer and closes. It counts
// as open from its acceptance until its socket is closed, in every state, and
// in every state but a pass running in the GUI thread it can give way to a
// newcomer.
class XServerConnection : public QObject
{
    Q_OBJECT

public:
    XServerConnection(quint64 id, XServerListener* listener);
    ~XServerConnection() override;

    // False when the socket does not take the descriptor (the caller closes it).
    bool start(qintptr descriptor);

    quint64 id() const;
    QString peerAddress() const;
    // Closes at once for a newcomer: a sign-in that waits is answered as
    // busy, one holding its failure's answer gets that answer now. False
    // when the connection cannot give way (its pass runs in the GUI thread).
    bool giveWay();
    // The pass's answer, to be held that long (a failed sign-in's); false
    // when the connection no longer waits for it, and holds nothing.
    bool passAnswered(const XServerSocketThread::Answer& answer, int holdMs);

private:
    enum class State { Reading, Serving, SigningIn, InGuiThread, Holding, Writing, Ended };

    void setState(State state);
    void onReadyRead();
    void stopReading();
    void serve(const QByteArray& request);
    void startPass();
    void endHold();
    void writeAnswer(const XServerSocketThread::Answer& answer);
    void writeResponse(const QByteArray& response);
    // A sign-in turned away unchecked: busy, until the address's next turn.
    QByteArray busyResponse() const;
    void sendMore();
    qint64 pendingBytes() const;
    void answerNow(const QByteArray& response);
    void closeNow(bool reset);
    // Ends the connection as its socket is closed, and deletes it later.
    void end();
    void finish();

    XServerListener* m_listener = nullptr;
    quint64 m_id = 0;
    State m_state = State::Reading;
    QTcpSocket* m_socket = nullptr;
    QTimer m_deadline;
    QTimer m_hold;
    QByteArray m_received;
    std::unique_ptr<RequestFraming> m_framing;
    QString m_postText;
    QString m_peerAddress;
    // Shared with the pass queued in the GUI thread: whichever side takes
    // it first either runs the pass or drops it.
    std::shared_ptr<QAtomicInt> m_ticket;
    XServerSocketThread::Answer m_heldAnswer;
    std::shared_ptr<QFile> m_file;
    qint64 m_fileLeft = 0;
    bool m_closing = false;
    // Answered before the request was read whole: what the peer still sends is dropped.
    bool m_lingering = false;
};
