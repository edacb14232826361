#pragma once

#include "useritem.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QVariantMap>

class QSslSocket;
class QTcpSocket;
class QTimer;
class XWidget;

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

    // A widget as the connection sees it: guarded, since the GUI thread may
    // delete it at any moment between two calls.
    using AccessibleWidget = QPair<QPointer<XWidget>, UserItem_ACCESS_TYPE>;

    QVariantMap collectData(QVariantMap request);
    QVariantMap usersData(QVariantMap input);
    QVariantMap groupsFont();
    QVariantMap groupsData(QVariantMap input);
    QVariantMap widgetsData(QVariantMap input);
    // These two walk the panel and so run only in the GUI thread.
    QList<AccessibleWidget> accessibleWidgets();
    AccessibleWidget findWidget(QString id);

    bool lockWidget(const QPointer<XWidget>& widget, QString* id);
    QVariantMap unlockWidget(const QPointer<XWidget>& widget);
    template <typename Call> void inGuiThread(Call call);

    bool secure = false;
    UserItem* user = nullptr;
    qintptr socketDescriptor = 0;
    int delay = 0;
    QTcpSocket* socket = nullptr;
    QSslSocket* sslSocket = nullptr;

    QByteArray m_received;
    QTimer* m_deadline = nullptr;
    bool m_handled = false;
    QMetaObject::Connection m_webMapConnection;
};
