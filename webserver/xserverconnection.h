#pragma once

#include "xserversocketthread.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QTcpSocket;
class RequestFraming;
class XServerConnections;
class XServerListener;

// One connection of the web server, in the network thread that accepted it:
// reads until the request is complete, answers a GET at once, hands a POST to
// a worker when the sign-in gate lets it, writes the one answer and closes.
// It counts as open from its acceptance until its socket is closed.
class XServerConnection : public QObject
{
    Q_OBJECT

public:
    XServerConnection(qintptr descriptor, quint64 id, XServerConnections* connections, int delay, bool secure,
        XServerListener* owner);
    ~XServerConnection() override;

    void start();
    // Closes the connection unanswered while its request is not complete;
    // false once it is, or when the connection has ended.
    bool closeIfQuiet();

private:
    void onReadyRead();
    void onDisconnected();
    void closeUnanswered();
    void serve(const QByteArray& request);
    void startPost();
    void postHandled(const XServerSocketThread::Answer& answer);
    void answerAndClose(const XServerSocketThread::Answer& answer);
    void release();

    XServerConnections* m_connections = nullptr;
    qintptr m_descriptor = -1;
    quint64 m_id = 0;
    int m_delay = 0;
    bool m_secure = false;
    QTcpSocket* m_socket = nullptr;
    QTimer m_deadline;
    QByteArray m_received;
    std::unique_ptr<RequestFraming> m_framing;
    QString m_postText;
    QString m_peerAddress;
    bool m_handled = false;
    bool m_released = false;
    bool m_workerBusy = false;
    bool m_inSignInGate = false;
};
