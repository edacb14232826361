#include "xserversocketthread.h"

#include "useritem.h"
#include "xwidget.h"
#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetpanel.h"
#include "xwidgetsglobals.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeDatabase>
#include <QSslKey>
#include <QSslSocket>
#include <QTimer>

namespace {
// A request is headers and body together; anything larger is no browser of ours.
const int MAX_REQUEST_SIZE = 1024 * 1024;
// Counted from the moment the connection is accepted, so a peer that sends
// nothing, or trickles a request, does not keep its thread for ever.
const int REQUEST_TIMEOUT_MS = 10000;

const char WEB_FOLDER[] = "web";
const char NOT_FOUND_PAGE[] = "404.html";
const char INDEX_PAGE[] = "index.html";
const char NOT_FOUND_BODY[] = "<h1>404 - Not Found</h1>";
const char PARENT_PREFIX[] = "../";
const char CERTIFICATE_FILE[] = "/ssl/key.pem";
const char PRIVATE_KEY_FILE[] = "/ssl/key.key";
const char PASSWORD_KEY[] = "password";
const char SIGN_IN_ERROR[] = "SIGN_IN_ERROR";
const char REQUEST_ERROR[] = "ERROR";
const char WIDGET_OBJECT_KEY[] = "WIDGET_OBJECT";
const char USERS_DATA_KEY[] = "USERS_DATA";
const char GROUPS_FONT_KEY[] = "GROUPS_FONT";
const char GROUPS_KEY[] = "GROUPS";
const char WIDGETS_KEY[] = "WIDGETS";
const char TEXT_PLAIN[] = "text/plain";
const int STATUS_OK = 200;
const int STATUS_NOT_FOUND = 404;

enum class Framing { Incomplete, Complete, TooLarge };

// Where the request ends: after the blank line that closes the headers and the
// body that "Content-Length" announces.
Framing frameRequest(const QByteArray& received, int* requestSize)
{
    int headerEnd = received.indexOf("\r\n\r\n");
    if (headerEnd >= 0) {
        headerEnd += 4;
    } else {
        headerEnd = received.indexOf("\n\n");
        if (headerEnd >= 0)
            headerEnd += 2;
    }
    if (headerEnd < 0)
        return received.size() > MAX_REQUEST_SIZE ? Framing::TooLarge : Framing::Incomplete;

    qint64 contentLength = 0;
    const QList<QByteArray> lines = received.left(headerEnd).split('\n');
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const int colon = line.indexOf(':');
        if (colon < 0 || line.left(colon).trimmed().toLower() != "content-length")
            continue;
        bool ok = false;
        const qint64 value = line.mid(colon + 1).trimmed().toLongLong(&ok);
        if (ok && value > 0)
            contentLength = value;
    }
    if (headerEnd + contentLength > MAX_REQUEST_SIZE)
        return Framing::TooLarge;
    if (received.size() < headerEnd + contentLength)
        return Framing::Incomplete;
    *requestSize = int(headerEnd + contentLength);
    return Framing::Complete;
}

bool holdsParentSegment(const QString& path)
{
    // A backslash separates segments too where the program runs on Windows.
    const QString slashed = QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QVector<QStringRef> segments = slashed.splitRef(QLatin1Char('/'));
    for (const QStringRef& segment : segments) {
        if (segment == QLatin1String(".."))
            return true;
    }
    return false;
}

// A JSON null arrives as a valid variant of the null-pointer type.
bool isPresent(const QVariant& value)
{
    return value.isValid() && value.userType() != QMetaType::Nullptr;
}

bool isVisible(UserItem_ACCESS_TYPE access)
{
    return access == ReadOnly || access == ReadAndWrite;
}

bool liesInside(const QString& fileName, const QString& folder)
{
    return QDir::cleanPath(fileName).startsWith(QDir::cleanPath(folder) + QLatin1Char('/'));
}
}

XServerSocketThread::XServerSocketThread(qintptr socketDescriptor, int delay, bool secure, QObject* parent)
    : QThread(parent)
    , secure(secure)
    , socketDescriptor(socketDescriptor)
    , delay(delay)
{
}

XServerSocketThread::~XServerSocketThread()
{
    delete socket;
}

void XServerSocketThread::run()
{
    if (secure) {
        sslSocket = new QSslSocket;
        socket = sslSocket;
    } else {
        socket = new QTcpSocket;
    }
    if (!socket->setSocketDescriptor(
            socketDescriptor, QAbstractSocket::ConnectedState, QIODevice::ReadWrite)) {
        delete socket;
        socket = nullptr;
        sslSocket = nullptr;
        return;
    }

    if (secure) {
        const QString appDir = QCoreApplication::applicationDirPath();
        sslSocket->setLocalCertificate(appDir + QLatin1String(CERTIFICATE_FILE), QSsl::Pem);
        QFile keyFile(appDir + QLatin1String(PRIVATE_KEY_FILE));
        if (keyFile.open(QIODevice::ReadOnly))
            sslSocket->setPrivateKey(
                QSslKey(keyFile.readAll(), QSsl::Rsa, QSsl::Pem, QSsl::PrivateKey, QByteArray()));
        sslSocket->setProtocol(QSsl::TlsV1_2);
        sslSocket->startServerEncryption();
    }

    // Direct connections: the thread object lives in the GUI thread, the
    // socket and the timer in this one.
    connect(socket, &QTcpSocket::readyRead, this, &XServerSocketThread::onReadyRead, Qt::DirectConnection);
    connect(
        socket, &QTcpSocket::disconnected, this, &XServerSocketThread::onDisconected, Qt::DirectConnection);

    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, &XServerSocketThread::closeUnanswered, Qt::DirectConnection);
    deadline.start(REQUEST_TIMEOUT_MS);
    m_deadline = &deadline;

    exec();

    m_deadline = nullptr;
    // The socket's notifiers belong to this thread and must go with it.
    delete socket;
    socket = nullptr;
    sslSocket = nullptr;
}

void XServerSocketThread::onReadyRead()
{
    if (m_handled)
        return;
    m_received += socket->readAll();

    int requestSize = 0;
    switch (frameRequest(m_received, &requestSize)) {
    case Framing::Incomplete:
        return;
    case Framing::TooLarge:
        closeUnanswered();
        return;
    case Framing::Complete:
        break;
    }

    m_handled = true;
    if (m_deadline)
        m_deadline->stop();
    handle(m_received.left(requestSize));
    m_received.clear();
    socket->disconnectFromHost();
}

void XServerSocketThread::onDisconected()
{
    socket->close();
    quit();
}

void XServerSocketThread::closeUnanswered()
{
    m_handled = true;
    if (m_deadline)
        m_deadline->stop();
    socket->abort();
    quit();
}

void XServerSocketThread::handle(const QByteArray& request)
{
    const QString text = QString::fromUtf8(QByteArray::fromPercentEncoding(request));
    if (text.startsWith(QLatin1String("POST"), Qt::CaseInsensitive))
        handlePost(text);
    else if (text.startsWith(QLatin1String("GET"), Qt::CaseInsensitive))
        handleGet(text);
}

void XServerSocketThread::handlePost(const QString& text)
{
    const QString rest = text.mid(text.indexOf(QLatin1Char('/')) + 1);
    const QString userName = rest.left(rest.indexOf(QLatin1Char(' ')));
    const QString body = rest.mid(rest.lastIndexOf(QLatin1Char('\n')) + 1);

    const QJsonDocument document = QJsonDocument::fromJson(body.toUtf8());
    const QVariantMap request = document.isObject() ? document.object().toVariantMap() : QVariantMap();
    const QVariant passwordValue = request.value(QLatin1String(PASSWORD_KEY));
    const QString password = passwordValue.isValid() ? passwordValue.toString() : QString();
    if (!document.isObject() || password.isEmpty()) {
        QThread::msleep(ulong(delay));
        socket->write(REQUEST_ERROR);
        return;
    }

    // The users list and its records belong to the GUI thread, which may
    // change them at any moment; they are read there.
    UserItem* signedIn = nullptr;
    QMetaObject::invokeMethod(
        this,
        [&]() {
            for (UserItem* candidate : qAsConst(XUsersList)) {
                if (candidate->userName == userName) {
                    if (candidate->password == password)
                        signedIn = candidate;
                    return;
                }
            }
        },
        Qt::BlockingQueuedConnection);
    if (!signedIn) {
        QThread::msleep(ulong(delay));
        socket->write(SIGN_IN_ERROR);
        return;
    }

    user = signedIn;
    handleRequest(request);

    const QString address = socket->peerAddress().toString();
    const QDateTime now = QDateTime::currentDateTime();
    // Records taken out of the list are kept alive, so the pointer is still good.
    QMetaObject::invokeMethod(
        this,
        [&]() {
            user->lastWebRequest.dateTime = now;
            user->lastWebRequest.address = address;
        },
        Qt::BlockingQueuedConnection);
}

void XServerSocketThread::handleGet(const QString& text)
{
    const int slash = text.indexOf(QLatin1Char('/'));
    const int blank = slash >= 0 ? text.indexOf(QLatin1Char(' '), slash + 1) : -1;
    QString path = blank >= 0 ? text.mid(slash + 1, blank - slash - 1) : QString();
    while (path.startsWith(QLatin1String(PARENT_PREFIX)))
        path.remove(0, int(qstrlen(PARENT_PREFIX)));
    if (path.isEmpty())
        path = QLatin1String(INDEX_PAGE);

    const QString appDir = QCoreApplication::applicationDirPath();
    const QString webDir = appDir + QLatin1Char('/') + QLatin1String(WEB_FOLDER);
    QString folder;
    QString fileName;
    if (path.startsWith(QLatin1String("content/"), Qt::CaseInsensitive)
        || path.startsWith(QLatin1String("widgets_components_lib/"), Qt::CaseInsensitive)) {
        folder = appDir + QLatin1Char('/') + path.section(QLatin1Char('/'), 0, 0);
        fileName = appDir + QLatin1Char('/') + path;
    } else {
        folder = webDir;
        fileName = webDir + QLatin1Char('/') + path;
    }

    // Only the three folders are served: a path that climbs out of the one it
    // names gets the not-found page, never a file elsewhere on disk.
    const bool confined = !holdsParentSegment(path) && liesInside(fileName, folder);
    if (!confined || !QFile::exists(fileName))
        fileName = webDir + QLatin1Char('/') + QLatin1String(NOT_FOUND_PAGE);

    QFile file(fileName);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray content = file.readAll();
        sendResponse(content, STATUS_OK, QMimeDatabase().mimeTypeForFile(fileName).name());
    } else {
        sendResponse(NOT_FOUND_BODY, STATUS_NOT_FOUND, QStringLiteral("text/plain"));
    }
}

void XServerSocketThread::sendResponse(QByteArray body, int status, QString contentType)
{
    QByteArray answer;
    answer.reserve(body.size() + 256);
    answer += "HTTP/1.0 ";
    answer += status == STATUS_NOT_FOUND ? "404 Not Found" : "200 OK";
    answer += "\r\nContent-Type: ";
    answer += contentType.toUtf8();
    answer += "\r\nContent-Length: ";
    answer += QByteArray::number(body.size());
    answer += "\r\nServer: Velmora Server\r\nConnection: close\r\n\r\n";
    answer += body;
    socket->write(answer);
}

template <typename Call> void XServerSocketThread::inGuiThread(Call call)
{
    // The thread object lives in the GUI thread: a blocking queued call on it
    // runs there while this connection waits.
    QMetaObject::invokeMethod(this, call, Qt::BlockingQueuedConnection);
}

void XServerSocketThread::handleRequest(QVariantMap request)
{
    const QVariant widgetId = request.value(QLatin1String(WIDGET_OBJECT_KEY));
    if (isPresent(widgetId)) {
        bool found = false;
        QString text;
        // webObject reads the component list, which the GUI thread rebuilds.
        inGuiThread([&]() {
            const AccessibleWidget widget = findWidget(widgetId.toString());
            if (!widget.first)
                return;
            found = true;
            text = widget.first->webObject(widget.second == ReadAndWrite);
        });
        if (found)
            sendResponse(text.toUtf8(), STATUS_OK, QLatin1String(TEXT_PLAIN));
        return;
    }

    const QJsonDocument answer(QJsonObject::fromVariantMap(collectData(request)));
    sendResponse(answer.toJson(QJsonDocument::Indented), STATUS_OK, QLatin1String(TEXT_PLAIN));
}

QVariantMap XServerSocketThread::collectData(QVariantMap request)
{
    QVariantMap answer;
    const QVariant userData = request.value(QLatin1String(USERS_DATA_KEY));
    if (isPresent(userData))
        answer.insert(QLatin1String(USERS_DATA_KEY), usersData(userData.toMap()));
    if (isPresent(request.value(QLatin1String(GROUPS_FONT_KEY))))
        answer.insert(QLatin1String(GROUPS_FONT_KEY), groupsFont());
    const QVariant groups = request.value(QLatin1String(GROUPS_KEY));
    if (isPresent(groups))
        answer.insert(QLatin1String(GROUPS_KEY), groupsData(groups.toMap()));
    const QVariant widgets = request.value(QLatin1String(WIDGETS_KEY));
    if (isPresent(widgets))
        answer.insert(QLatin1String(WIDGETS_KEY), widgetsData(widgets.toMap()));
    return answer;
}

QVariantMap XServerSocketThread::usersData(QVariantMap input)
{
    QVariantMap answer;
    const QVariant settings = input.value(QStringLiteral("settings"));
    inGuiThread([&]() {
        if (user->saveParametersWEB && isPresent(settings))
            user->settings = settings.toMap();
        answer.insert(QStringLiteral("settings"), user->settings);
        answer.insert(QStringLiteral("fullName"), user->fullName);
        answer.insert(QStringLiteral("post"), user->post);
        answer.insert(QStringLiteral("phone"), user->phone);
        answer.insert(QStringLiteral("email"), user->email);
    });
    return answer;
}

QVariantMap XServerSocketThread::groupsFont()
{
    QFont font;
    inGuiThread([&]() { font = QApplication::font(); });
    const QString size = font.pointSize() < 0 ? QStringLiteral("%1px").arg(font.pixelSize())
                                              : QStringLiteral("%1pt").arg(font.pointSize());
    return { { QStringLiteral("family"), font.family() }, { QStringLiteral("size"), size } };
}

QVariantMap XServerSocketThread::groupsData(QVariantMap input)
{
    Q_UNUSED(input)
    QVariantMap answer;
    inGuiThread([&]() {
        if (!XWidgetsPanel || !XWidgetsPanel->groups)
            return;
        for (XWidgetGroup* group : qAsConst(*XWidgetsPanel->groups)) {
            const XWidgetGroupSettings* record = group->settings;
            const UserItem_ACCESS_TYPE access = user->access.value(record->name, NotAllowed);
            if (!isVisible(access))
                continue;
            QVariantMap settings { { QStringLiteral("x"), record->position.x() },
                { QStringLiteral("y"), record->position.y() },
                { QStringLiteral("height"), record->size.height() },
                { QStringLiteral("width"), record->size.width() } };
            if (record->useImage)
                settings.insert(QStringLiteral("bgimg"), record->imageFile);
            QVariantList ids;
            for (XWidget* widget : qAsConst(group->widgets))
                ids.append(widget->id());
            // The browser marks what the user may only read instead of
            // sending clicks that the exchange drops.
            answer.insert(record->name,
                QVariantMap { { QStringLiteral("settings"), settings }, { QStringLiteral("wlist"), ids },
                    { QStringLiteral("writable"), access == ReadAndWrite } });
        }
    });
    return answer;
}

QVariantMap XServerSocketThread::widgetsData(QVariantMap input)
{
    QList<AccessibleWidget> widgets;
    inGuiThread([&]() { widgets = accessibleWidgets(); });
    for (const AccessibleWidget& widget : qAsConst(widgets)) {
        QString id;
        if (!lockWidget(widget.first, &id))
            continue;
        const bool writable = widget.second == ReadAndWrite;
        emit webMapDo(writable ? input.value(id).toMap() : QVariantMap(), writable);
        unlockWidget(widget.first);
    }

    QVariantMap answer;
    inGuiThread([&]() { widgets = accessibleWidgets(); });
    for (const AccessibleWidget& widget : qAsConst(widgets)) {
        QString id;
        if (!lockWidget(widget.first, &id))
            continue;
        emit webMapDo(QVariantMap(), widget.second == ReadAndWrite);
        const QVariantMap data = unlockWidget(widget.first);
        if (!data.isEmpty())
            answer.insert(id, data);
    }
    return answer;
}

QList<XServerSocketThread::AccessibleWidget> XServerSocketThread::accessibleWidgets()
{
    QList<AccessibleWidget> widgets;
    if (!XWidgetsPanel || !XWidgetsPanel->groups)
        return widgets;
    for (XWidgetGroup* group : qAsConst(*XWidgetsPanel->groups)) {
        const UserItem_ACCESS_TYPE access = user->access.value(group->settings->name, NotAllowed);
        if (!isVisible(access))
            continue;
        for (XWidget* widget : qAsConst(group->widgets))
            widgets.append({ widget, access });
    }
    return widgets;
}

XServerSocketThread::AccessibleWidget XServerSocketThread::findWidget(QString id)
{
    const QList<AccessibleWidget> widgets = accessibleWidgets();
    for (const AccessibleWidget& widget : widgets) {
        if (widget.first->id() == id)
            return widget;
    }
    return { nullptr, NotAllowed };
}

bool XServerSocketThread::lockWidget(const QPointer<XWidget>& widget, QString* id)
{
    // The mutex is taken and given back in the GUI thread, where the widget
    // is known to be alive; another connection holding it means trying again.
    for (;;) {
        bool gone = false;
        bool locked = false;
        inGuiThread([&]() {
            if (!widget) {
                gone = true;
                return;
            }
            locked = widget->mutex.tryLock(0);
            if (!locked)
                return;
            *id = widget->id();
            m_webMapConnection = connect(this, &XServerSocketThread::webMapDo, widget.data(),
                &XWidget::webMapDo, Qt::BlockingQueuedConnection);
        });
        if (gone)
            return false;
        if (locked)
            return true;
        QThread::yieldCurrentThread();
    }
}

QVariantMap XServerSocketThread::unlockWidget(const QPointer<XWidget>& widget)
{
    QVariantMap data;
    inGuiThread([&]() {
        disconnect(m_webMapConnection);
        // A widget deleted meanwhile took its mutex with it.
        if (!widget)
            return;
        data = widget->webData;
        widget->mutex.unlock();
    });
    return data;
}
