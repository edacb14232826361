#pragma once

#include <QByteArray>
#include <QString>
#include <QThread>
#include <QVariantMap>

class QSslSocket;
class QTcpSocket;
class QTimer;
class UserItem;

// Serves one connection of the web server in a thread and event loop of its
// own: reads one request, answers it and closes the connection.
class XServerSocketThread : public QThread
{
    Q_OBJECT

public:
    XServerSocketThread(qintptr socketDescriptor, int delay, bool secure, QObject* parent = nullptr);
    ~XServerSocketThread() override;

    void run() override;

signals:
    void webMapDo(QVariantMap map, bool writable);

public slots:
    void onReadyRead();
    void onDisconected();

private:
    void handle(const QByteArray& request);
    void handlePost(const QString& text);
    void handleGet(const QString& text);
    void sendResponse(QByteArray body, int status, QString contentType);
    void handleRequest(QVariantMap request);
    void closeUnanswered();

    bool secure = false;
    UserItem* user = nullptr;
    qintptr socketDescriptor = 0;
    int delay = 0;
    QTcpSocket* socket = nullptr;
    QSslSocket* sslSocket = nullptr;

    QByteArray m_received;
    QTimer* m_deadline = nullptr;
    bool m_handled = false;
};
