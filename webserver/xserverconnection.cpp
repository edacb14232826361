#include "xserverconnection.h"

#include "xserverconnections.h"
#include "xserverlistener.h"
#include "xserversigningate.h"

#include <QHostAddress>
#include <QSslSocket>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

namespace {
// A request is headers and body together; anything larger is no browser of ours.
const int MAX_REQUEST_SIZE = 1024 * 1024;
// Counted from the moment the connection is accepted, so a peer that sends
// nothing, or trickles a request, does not hold its place for ever.
const int REQUEST_TIMEOUT_MS = 10000;
// Counted from the answer's first byte: a peer that does not take it in this
// time loses it, and the server the memory it holds.
const int ANSWER_TIMEOUT_MS = 30000;
const char SIGN_IN_ERROR[] = "SIGN_IN_ERROR";

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
        // The first blank line, ended by LF or CR LF, in the order of the
        // bytes: where the reads happen to end never changes which it is.
        const int size = received.size();
        for (int at = received.indexOf('\n', m_searchedUpTo); at >= 0; at = received.indexOf('\n', at + 1)) {
            int next = at + 1;
            if (next < size && received.at(next) == '\r')
                ++next;
            // Not yet known whether this line is blank: looked at again with more.
            if (next >= size) {
                m_searchedUpTo = at;
                return;
            }
            if (received.at(next) == '\n') {
                m_headerEnd = next + 1;
                return;
            }
        }
        m_searchedUpTo = size;
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
    qint64 m_headerEnd = -1;
    qint64 m_contentLength = -1;
};

XServerConnection::XServerConnection(quint64 id, bool secure, XServerListener* listener)
    : QObject(listener)
    , m_listener(listener)
    , m_id(id)
    , m_secure(secure)
    , m_framing(std::make_unique<RequestFraming>())
{
}

XServerConnection::~XServerConnection()
{
    // A sign-in still waiting, or admitted and not yet started, gives up its place.
    if (m_enteredGate)
        m_listener->connections()->signInGate()->cancel(this);
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
    if (m_state != State::Ended)
        m_listener->connectionEnded(this);
}

bool XServerConnection::start(qintptr descriptor)
{
    QSslSocket* sslSocket = nullptr;
    if (m_secure) {
        sslSocket = new QSslSocket(this);
        m_socket = sslSocket;
    } else {
        m_socket = new QTcpSocket(this);
    }
    if (!m_socket->setSocketDescriptor(descriptor, QAbstractSocket::ConnectedState, QIODevice::ReadWrite)) {
        delete m_socket;
        m_socket = nullptr;
        return false;
    }
    m_peerAddress = m_socket->peerAddress().toString();
    if (sslSocket) {
        sslSocket->setLocalCertificate(m_listener->certificate());
        sslSocket->setPrivateKey(m_listener->privateKey());
        sslSocket->setProtocol(QSsl::TlsV1_2);
    }
    return true;
}

void XServerConnection::beginReading()
{
    connect(m_socket, &QTcpSocket::readyRead, this, &XServerConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &XServerConnection::end);
    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::CoarseTimer);
    connect(&m_deadline, &QTimer::timeout, this, &XServerConnection::abort);
    m_hold.setSingleShot(true);
    m_hold.setTimerType(Qt::PreciseTimer);
    m_deadline.start(REQUEST_TIMEOUT_MS);
    m_listener->setWaitsOnPeer(this, true);
    if (auto* sslSocket = qobject_cast<QSslSocket*>(m_socket))
        sslSocket->startServerEncryption();
}

quint64 XServerConnection::id() const
{
    return m_id;
}

QString XServerConnection::peerAddress() const
{
    return m_peerAddress;
}

bool XServerConnection::setState(State state)
{
    // An ended connection leaves the lists as the listener counts it down.
    const auto waitsOnPeer = [](State s) { return s == State::Reading || s == State::Writing; };
    const bool waits = waitsOnPeer(state);
    if (state != State::Ended && waits != waitsOnPeer(m_state) && !m_listener->setWaitsOnPeer(this, waits)) {
        abort();
        return false;
    }
    m_state = state;
    return true;
}

void XServerConnection::onReadyRead()
{
    if (m_state != State::Reading) {
        // A plain socket's full buffer stays full (see below).
        if (m_secure)
            m_socket->readAll();
        return;
    }
    // Read straight onto what came before: a request of a megabyte in many
    // pieces is then copied once. The newest byte stays in the socket's
    // buffer, looked at but not taken: once the request is complete, that
    // buffer is made full, so the socket reads no further and never sees a
    // peer's half-close as the end of the connection (simple clients close
    // their side after the request and still wait for the answer).
    const qint64 available = m_socket->bytesAvailable();
    if (available > 1) {
        const int before = m_received.size();
        m_received.resize(before + int(available - 1));
        const qint64 read = m_socket->read(m_received.data() + before, available - 1);
        m_received.resize(before + int(qMax<qint64>(0, read)));
    }
    char newest = 0;
    if (m_socket->peek(&newest, 1) != 1)
        return;
    m_received.append(newest);

    int requestSize = 0;
    const Framing framing = m_framing->frame(m_received, &requestSize);
    if (framing == Framing::TooLarge) {
        abort();
        return;
    }
    if (framing == Framing::Incomplete) {
        m_received.chop(1);
        return;
    }

    m_deadline.stop();
    if (!m_secure)
        m_socket->setReadBufferSize(1);
    const QByteArray request = m_received.left(requestSize);
    m_received.clear();
    serve(request);
}

void XServerConnection::abort()
{
    if (m_state == State::Ended)
        return;
#ifdef Q_OS_UNIX
    // Reset rather than closed in order: the kernel would otherwise keep
    // sending what the peer did not take, in buffers of its own.
    const linger reset { 1, 0 };
    ::setsockopt(int(m_socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
#endif
    m_socket->abort();
    end();
}

void XServerConnection::end()
{
    if (m_state == State::Ended)
        return;
    setState(State::Ended);
    m_deadline.stop();
    m_hold.stop();
    m_listener->connectionEnded(this);
    deleteLater();
}

void XServerConnection::serve(const QByteArray& request)
{
    const QByteArray decoded = XServerSocketThread::decode(request);
    if (XServerSocketThread::isPost(decoded)) {
        if (!setState(State::SigningIn))
            return;
        m_postText = QString::fromUtf8(decoded);
        m_enteredGate = true;
        // Beyond the few that may wait, a sign-in is answered as failed
        // without being checked, so it is no guess.
        if (!m_listener->connections()->signInGate()->enqueue(
                m_peerAddress, this, [this]() { startPost(); }, [this]() { refuseSignIn(); }))
            refuseSignIn();
        return;
    }
    XServerSocketThread handler(m_listener->connections(), m_listener->delay(), m_peerAddress);
    if (XServerSocketThread::isGet(decoded))
        handler.handleGet(decoded);
    answerAndClose(handler.answer());
}

void XServerConnection::refuseSignIn()
{
    if (m_state != State::SigningIn)
        return;
    XServerSocketThread::Answer refused;
    refused.response = SIGN_IN_ERROR;
    refused.answered = true;
    answerAndClose(refused);
}

void XServerConnection::startPost()
{
    XServerConnections* connections = m_listener->connections();
    if (m_state != State::SigningIn) {
        connections->signInGate()->checked(m_peerAddress, XServerSignInGate::Outcome::NotChecked, 0);
        return;
    }
    setState(State::InGuiThread);
    XServerListener* listener = m_listener;
    const quint64 id = m_id;
    const int delay = m_listener->delay();
    const QString peer = m_peerAddress;
    const QString text = m_postText;
    m_postText.clear();
    // The listener outlives every call into the GUI thread (see the class of
    // the connections), the connection need not.
    connections->runInGuiThread([connections, listener, id, delay, peer, text]() {
        XServerSocketThread handler(connections, delay, peer);
        handler.handlePost(text, peer);
        connections->answerPass(listener, id, handler.answer());
    });
}

void XServerConnection::passAnswered(const XServerSocketThread::Answer& answer)
{
    if (m_state != State::InGuiThread)
        return;
    const qint64 holdMs = answer.holdUntil.remainingTime();
    if (holdMs <= 0) {
        answerAndClose(answer);
        return;
    }
    setState(State::Holding);
    m_hold.disconnect(this);
    connect(&m_hold, &QTimer::timeout, this, [this, answer]() { answerAndClose(answer); });
    m_hold.start(int(holdMs));
}

void XServerConnection::answerAndClose(const XServerSocketThread::Answer& answer)
{
    if (m_state == State::Ended || !setState(State::Writing))
        return;
    m_deadline.start(ANSWER_TIMEOUT_MS);
    if (answer.answered) {
        m_socket->write(answer.bytes());
        m_socket->flush();
    }
    // Closes once the answer is written, and then ends the connection.
    m_socket->disconnectFromHost();
}
