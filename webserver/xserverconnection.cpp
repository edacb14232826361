#include "xserverconnection.h"

#include "xserverconnections.h"
#include "xserverlistener.h"
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

}

// Where the request ends: after the blank line that closes the headers and the
// body that "Content-Length" announces. Fed the whole buffer after every read;
// it looks only at what is new, so a request arriving in many pieces costs no
// more than one arriving whole.
class RequestFraming
{
public:
    Framing frame(const QByteArray& received, int* requestSize)
    {
        if (m_headerEnd < 0)
            findHeaderEnd(received);
        if (m_headerEnd < 0)
            return received.size() > MAX_REQUEST_SIZE ? Framing::TooLarge : Framing::Incomplete;
        if (m_contentLength < 0 && !readContentLength(received))
            return Framing::TooLarge;
        // Compared without adding, so that no announced length can wrap round.
        if (m_headerEnd > MAX_REQUEST_SIZE || m_contentLength > MAX_REQUEST_SIZE - m_headerEnd)
            return Framing::TooLarge;
        if (received.size() < m_headerEnd + m_contentLength)
            return Framing::Incomplete;
        *requestSize = int(m_headerEnd + m_contentLength);
        return Framing::Complete;
    }

private:
    void findHeaderEnd(const QByteArray& received)
    {
        // The first blank line of either kind, the CR LF kind preferred
        // wherever it lies; a separator may straddle two reads.
        if (m_crlfEnd < 0) {
            const int at = received.indexOf("\r\n\r\n", qMax(0, m_searchedUpTo - 3));
            if (at >= 0)
                m_crlfEnd = at + 4;
        }
        if (m_lfEnd < 0) {
            const int at = received.indexOf("\n\n", qMax(0, m_searchedUpTo - 1));
            if (at >= 0)
                m_lfEnd = at + 2;
        }
        m_searchedUpTo = received.size();
        if (m_crlfEnd >= 0)
            m_headerEnd = m_crlfEnd;
        else if (m_lfEnd >= 0)
            m_headerEnd = m_lfEnd;
    }

    bool readContentLength(const QByteArray& received)
    {
        m_contentLength = 0;
        // The request line, which may be most of the request, holds no header.
        const int firstLineEnd = received.indexOf('\n');
        const QList<QByteArray> lines
            = received.mid(firstLineEnd + 1, int(m_headerEnd) - firstLineEnd - 1).split('\n');
        for (int i = 0; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const int colon = line.indexOf(':');
            if (colon < 0 || line.left(colon).trimmed().toLower() != "content-length")
                continue;
            const QByteArray text = line.mid(colon + 1).trimmed();
            bool ok = false;
            const qint64 value = text.toLongLong(&ok);
            // A number too long for 64 bits is as much too large as any other.
            if (!ok && allDigits(text))
                return false;
            if (ok && value > 0)
                m_contentLength = value;
        }
        return true;
    }

    int m_searchedUpTo = 0;
    int m_crlfEnd = -1;
    int m_lfEnd = -1;
    qint64 m_headerEnd = -1;
    qint64 m_contentLength = -1;
};

XServerConnection::XServerConnection(qintptr descriptor, quint64 id, XServerConnections* connections,
    int delay, bool secure, XServerListener* owner)
    : QObject(owner)
    , m_connections(connections)
    , m_descriptor(descriptor)
    , m_id(id)
    , m_delay(delay)
    , m_secure(secure)
    , m_framing(std::make_unique<RequestFraming>())
{
}

XServerConnection::~XServerConnection()
{
    if (m_inSignInGate)
        m_connections->signInGate()->cancel(this);
    if (!m_released) {
        m_connections->unlistQuiet(m_id);
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
    // Read straight onto what came before: a request of a megabyte in many
    // pieces is then copied once.
    const qint64 available = m_socket->bytesAvailable();
    if (available > 0) {
        const int before = m_received.size();
        m_received.resize(before + int(available));
        const qint64 read = m_socket->read(m_received.data() + before, available);
        m_received.resize(before + int(qMax<qint64>(0, read)));
    } else {
        m_received += m_socket->readAll();
    }

    int requestSize = 0;
    switch (m_framing->frame(m_received, &requestSize)) {
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
    m_connections->unlistQuiet(m_id);
    const QByteArray request = m_received.left(requestSize);
    m_received.clear();
    serve(request);
}

void XServerConnection::onDisconnected()
{
    release();
}

bool XServerConnection::closeIfQuiet()
{
    if (m_handled || m_released)
        return false;
    closeUnanswered();
    return true;
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
    const QByteArray decoded = XServerSocketThread::decode(request);
    if (XServerSocketThread::isPost(decoded)) {
        m_postText = QString::fromUtf8(decoded);
        m_inSignInGate = true;
        m_connections->signInGate()->enqueue(m_peerAddress, this, [this]() { startPost(); });
        return;
    }
    XServerSocketThread handler(m_connections, m_delay, m_peerAddress);
    if (XServerSocketThread::isGet(decoded))
        handler.handleGet(decoded);
    answerAndClose(handler.answer());
}

void XServerConnection::startPost()
{
    XServerSignInGate* gate = m_connections->signInGate();
    if (m_released) {
        gate->checked(m_peerAddress, false, 0);
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
        gate->checked(m_peerAddress, false, 0);
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
    m_connections->unlistQuiet(m_id);
    m_connections->release();
    if (!m_workerBusy)
        deleteLater();
}
