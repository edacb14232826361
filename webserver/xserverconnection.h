#pragma once

#include "xserversocketthread.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QTcpSocket;
class RequestFraming;
class XServerListener;

// One connection of the web server, in its listener's thread: reads until the
// request is complete, answers a GET at once, passes a POST through the
// sign-in gate to the GUI thread, writes the one answer and closes. It counts
// as open from its acceptance until its socket is closed, in every state.
class XServerConnection : public QObject
{
    Q_OBJECT

public:
    XServerConnection(quint64 id, bool secure, XServerListener* listener);
    ~XServerConnection() override;

    // False when the socket does not take the descriptor (the caller closes it).
    bool start(qintptr descriptor);
    void beginReading();

    quint64 id() const;
    QString peerAddress() const;
    // Closes at once, unanswered.
    void abort();
    void passAnswered(const XServerSocketThread::Answer& answer);

private:
    enum class State { Reading, SigningIn, InGuiThread, Holding, Writing, Ended };

    // False when the connection was chosen to give way meanwhile: it has
    // then been closed instead.
    bool setState(State state);
    void onReadyRead();
    void end();
    void serve(const QByteArray& request);
    void refuseSignIn();
    void startPost();
    void answerAndClose(const XServerSocketThread::Answer& answer);

    XServerListener* m_listener = nullptr;
    quint64 m_id = 0;
    bool m_secure = false;
    State m_state = State::Reading;
    QTcpSocket* m_socket = nullptr;
    QTimer m_deadline;
    QTimer m_hold;
    QByteArray m_received;
    std::unique_ptr<RequestFraming> m_framing;
    QString m_postText;
    QString m_peerAddress;
    bool m_enteredGate = false;
};
