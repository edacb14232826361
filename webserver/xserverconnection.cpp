#include "xserverconnection.h"

#include "xserverconnections.h"
#include "xserversigningate.h"

#include <QFile>
#include <QHostAddress>
#include <QSslKey>
#include <QSslSocket>

namespace {
// A request is headers and body together; anything larger is no browser of ours.
const int MAX_REQUEST_SIZE = 1024 * 1024;
// Counted from the moment the connection is accepted, so a peer that sends
// nothing, or trickles a request, does not hold its place for ever.
const int REQUEST_TIMEOUT_MS = 10000;

const char CERTIFICATE_FILE[] = "/ssl/key.pem";
const char PRIVATE_KEY_FILE[] = "/ssl/key.key";

enum class Framing { Incomplete, Complete, TooLarge };

bool allDigits(const QByteArray& text)
{
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

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
        const QByteArray text = line.mid(colon + 1).trimmed();
        bool ok = false;
        const qint64 value = text.toLongLong(&ok);
        // A number too long for 64 bits is as much too large as any other.
        if (!ok && allDigits(text))
            return Framing::TooLarge;
        if (ok && value > 0)
            contentLength = value;
    }
    // Compared without adding, so that no announced length can wrap round.
    if (headerEnd > MAX_REQUEST_SIZE || contentLength > MAX_REQUEST_SIZE - headerEnd)
        return Framing::TooLarge;
    if (received.size() < headerEnd + contentLength)
        return Framing::Incomplete;
    *requestSize = int(headerEnd + contentLength);
    return Framing::Complete;
}
}

XServerConnection::XServerConnection(
    qintptr descriptor, XServerConnections* connections, int delay, bool secure, QObject* parent)
    : QObject(parent)
    , m_connections(connections)
    , m_descriptor(descriptor)
    , m_delay(delay)
    , m_secure(secure)
{
}

XServerConnection::~XServerConnection()
{
    if (m_inSignInGate)
        m_connections->signInGate()->cancel(this);
    if (!m_released) {
        if (m_socket)
            m_socket->abort();
        m_connections->release();
    }
}

void XServerConnection::start()
{
    QSslSocket* sslSocket = nullptr;
    if (m_secure) {
        sslSocket = new QSslSocket(this);
        m_socket = sslSocket;
    } else {
        m_socket = new QTcpSocket(this);
    }
    if (!m_socket->setSocketDescriptor(m_descriptor, QAbstractSocket::ConnectedState, QIODevice::ReadWrite)) {
        QTcpSocket owner;
        if (owner.setSocketDescriptor(m_descriptor))
            owner.abort();
        release();
        return;
    }
    m_peerAddress = m_socket->peerAddress().toString();

    if (sslSocket) {
        const QString appDir = m_connections->applicationFolder();
        sslSocket->setLocalCertificate(appDir + QLatin1String(CERTIFICATE_FILE), QSsl::Pem);
        QFile keyFile(appDir + QLatin1String(PRIVATE_KEY_FILE));
        if (keyFile.open(QIODevice::ReadOnly))
            sslSocket->setPrivateKey(
                QSslKey(keyFile.readAll(), QSsl::Rsa, QSsl::Pem, QSsl::PrivateKey, QByteArray()));
        sslSocket->setProtocol(QSsl::TlsV1_2);
        sslSocket->startServerEncryption();
    }

    connect(m_socket, &QTcpSocket::readyRead, this, &XServerConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &XServerConnection::onDisconnected);
    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::CoarseTimer);
    connect(&m_deadline, &QTimer::timeout, this, &XServerConnection::closeUnanswered);
    m_deadline.start(REQUEST_TIMEOUT_MS);
}

void XServerConnection::onReadyRead()
{
    if (m_handled) {
        m_socket->readAll();
        return;
    }
    m_received += m_socket->readAll();

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
    m_deadline.stop();
    const QByteArray request = m_received.left(requestSize);
    m_received.clear();
    serve(request);
}

void XServerConnection::onDisconnected()
{
    release();
}

void XServerConnection::closeUnanswered()
{
    m_handled = true;
    m_deadline.stop();
    m_socket->abort();
    release();
}

void XServerConnection::serve(const QByteArray& request)
{
    const QString text = XServerSocketThread::decode(request);
    if (XServerSocketThread::isPost(text)) {
        m_postText = text;
        m_inSignInGate = true;
        m_connections->signInGate()->enqueue(m_peerAddress, this, [this]() { startPost(); });
        return;
    }
    XServerSocketThread handler(m_connections, m_delay, m_peerAddress);
    if (XServerSocketThread::isGet(text))
        handler.handleGet(text);
    answerAndClose(handler.answer());
}

void XServerConnection::startPost()
{
    XServerSignInGate* gate = m_connections->signInGate();
    if (m_released) {
        gate->checked(m_peerAddress, 0);
        return;
    }
    m_workerBusy = true;
    XServerConnections* connections = m_connections;
    const int delay = m_delay;
    const QString peer = m_peerAddress;
    const QString text = m_postText;
    m_postText.clear();
    // The connection is not deleted while its worker runs, so the answer
    // always finds it.
    const bool dispatched = m_connections->dispatch([this, connections, delay, peer, text]() {
        XServerSocketThread handler(connections, delay, peer);
        handler.handlePost(text, peer);
        const XServerSocketThread::Answer answer = handler.answer();
        QMetaObject::invokeMethod(this, [this, answer]() { postHandled(answer); }, Qt::QueuedConnection);
    });
    if (!dispatched) {
        m_workerBusy = false;
        gate->checked(m_peerAddress, 0);
        answerAndClose(XServerSocketThread::Answer());
    }
}

void XServerConnection::postHandled(const XServerSocketThread::Answer& answer)
{
    m_workerBusy = false;
    if (m_released) {
        deleteLater();
        return;
    }
    const qint64 holdMs = answer.holdUntil.remainingTime();
    if (holdMs > 0)
        QTimer::singleShot(int(holdMs), Qt::PreciseTimer, this, [this, answer]() { answerAndClose(answer); });
    else
        answerAndClose(answer);
}

void XServerConnection::answerAndClose(const XServerSocketThread::Answer& answer)
{
    if (m_released)
        return;
    if (answer.answered) {
        m_socket->write(answer.bytes);
        m_socket->flush();
    }
    m_socket->disconnectFromHost();
}

void XServerConnection::release()
{
    if (m_released)
        return;
    m_released = true;
    m_deadline.stop();
    m_connections->release();
    if (!m_workerBusy)
        deleteLater();
}
