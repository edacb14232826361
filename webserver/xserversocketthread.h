#pragma once

#include "useritem.h"
#include "xserversigningate.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <QVector>

#include <memory>

class QFile;
class XServerConnections;
class XWidget;

// The HTTP handling of one request of the web server, once the request is
// complete: a GET is answered in the network thread, without the GUI thread;
// a POST is handled as a whole in the GUI thread, as one call from the
// network thread, since it reads the users, the panel and the widgets.
class XServerSocketThread : public QObject
{
    Q_OBJECT

public:
    // What the connection writes: nothing at all when the request gets no
    // answer. A file too large to send at once follows the response in
    // pieces, as the peer takes them. An exchange's answer leaves the GUI
    // thread as its data and is turned into JSON by a worker (dataResponse()),
    // the costliest step of a large panel's pass. A POST's answer also tells
    // how its sign-in went, which decides how long the answer waits.
    struct Answer
    {
        QByteArray response;
        QVariantMap data;
        bool answered = false;
        bool answeredWithData = false;
        XServerSignInGate::Outcome signIn = XServerSignInGate::Outcome::NotChecked;
        std::shared_ptr<QFile> file;
        qint64 fileLeft = 0;
    };

    static QByteArray dataResponse(const QVariantMap& data);

    // A sign-in turned away without its password being checked: busy, to be
    // asked again after the seconds given.
    static QByteArray busyResponse(int retryAfterSeconds);
    // A request whose line and headers go beyond what a browser sends.
    static QByteArray headersTooLargeResponse();

    XServerSocketThread(
        XServerConnections* connections, const QString& peerAddress, QObject* parent = nullptr);

    // The received bytes percent-decoded as a whole; read as UTF-8 they are
    // the request's text.
    static QByteArray decode(const QByteArray& request);
    static bool isPost(const QByteArray& decoded);
    static bool isGet(const QByteArray& decoded);

    // Takes the decoded bytes: only the path is read as text, so a long
    // request line costs no conversion of the whole request.
    void handleGet(const QByteArray& decoded);
    // Checks the password and, when it is right, runs the exchange; the
    // answer says how the sign-in went.
    void handlePost(const QString& text);

    Answer answer() const;

private:
    void sendResponse(QByteArray body, int status, QString contentType);
    void sendFile(const QString& fileName, const QString& folder);
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
    QVariantHash widgetsData(QVariantMap input);
    // These walk the panel and so run only in the GUI thread.
    QVector<AccessibleWidget> accessibleWidgets();
    AccessibleWidget findWidget(QString id);
    void webMapPass(const QVariantMap& input, bool applyInput, QVariantHash* answer);

    template <typename Call> bool inGuiThread(Call call);

    XServerConnections* m_connections = nullptr;
    UserItem* user = nullptr;
    QString m_peerAddress;
    Answer m_answer;
    bool m_abandoned = false;
};
