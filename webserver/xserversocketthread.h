#pragma once

#include "useritem.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QVariantMap>

class XServerConnections;
class XWidget;

// The HTTP handling of one request of the web server, once the request is
// complete: a GET is answered in the network thread that read it, without the
// GUI thread; a POST is handled as a whole in the GUI thread, as one call
// from a network thread, since it reads the users, the panel and the widgets.
class XServerSocketThread : public QObject
{
    Q_OBJECT

public:
    // What the connection writes: nothing at all when the request gets no
    // answer, and not before the hold time when a sign-in failed. An
    // exchange's answer leaves the GUI thread as its data and is turned into
    // JSON by a worker (bytes()), the costliest step of a large panel's pass.
    struct Answer
    {
        QByteArray bytes() const;

        QByteArray response;
        QVariantMap data;
        bool answered = false;
        bool answeredWithData = false;
        QDeadlineTimer holdUntil;
    };

    XServerSocketThread(XServerConnections* connections, int delay, const QString& peerAddress,
        QObject* parent = nullptr);

    // The received bytes percent-decoded as a whole; read as UTF-8 they are
    // the request's text.
    static QByteArray decode(const QByteArray& request);
    static bool isPost(const QByteArray& decoded);
    static bool isGet(const QByteArray& decoded);

    // Takes the decoded bytes: only the path is read as text, so a long
    // request line costs no conversion of the whole request.
    void handleGet(const QByteArray& decoded);
    // Tells the server's sign-in gate, as soon as the password was checked,
    // whether the attempt failed; the exchange itself runs after that.
    void handlePost(const QString& text, const QString& gateKey);

    Answer answer() const;

private:
    void sendResponse(QByteArray body, int status, QString contentType);
    void sendData(const QVariantMap& data);
    void sendBare(const QByteArray& bytes);
    void handleRequest(QVariantMap request);

    // A widget as the exchange sees it: guarded, since the GUI thread may
    // delete it between two calls.
    using AccessibleWidget = QPair<QPointer<XWidget>, UserItem_ACCESS_TYPE>;

    QVariantMap collectData(QVariantMap request);
    QVariantMap usersData(QVariantMap input);
    QVariantMap groupsFont();
    QVariantMap groupsData(QVariantMap input);
    QVariantMap widgetsData(QVariantMap input);
    // These walk the panel and so run only in the GUI thread.
    QList<AccessibleWidget> accessibleWidgets();
    AccessibleWidget findWidget(QString id);
    void webMapPass(const QVariantMap& input, bool applyInput, QVariantMap* answer);

    template <typename Call> bool inGuiThread(Call call);

    XServerConnections* m_connections = nullptr;
    UserItem* user = nullptr;
    int delay = 0;
    QString m_peerAddress;
    Answer m_answer;
    bool m_abandoned = false;
};
