#include "xserversocketthread.h"

#include "useritem.h"
#include "xwidgetsglobals.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
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

void XServerSocketThread::handleRequest(QVariantMap request)
{
    Q_UNUSED(request)
    // Panel data are not exchanged yet: a signed-in request gets no data.
    sendResponse(QJsonDocument(QJsonObject()).toJson(QJsonDocument::Indented), STATUS_OK,
        QStringLiteral("text/plain"));
}
