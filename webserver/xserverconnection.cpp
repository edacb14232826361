#include "xserverconnection.h"

#include "xserverconnections.h"
#include "xserverlistener.h"
#include "xserversigningate.h"

#include <QFile>
#include <QHostAddress>
#include <QSocketNotifier>
#include <QSslSocket>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

namespace {
// A request is headers and body together; anything larger is no browser of ours.
const int MAX_REQUEST_SIZE = 1024 * 1024;
// The request line and the headers, as nginx allows them (four lines of
// 8 KiB): a peer that sends more, or never ends them, is answered so.
const int MAX_HEADER_SIZE = 32 * 1024;
// Counted from the moment the connection is accepted, so a peer that sends
// nothing, or trickles a request, does not hold its place for ever.
const int REQUEST_TIMEOUT_MS = 10000;
// Counted from the answer's first byte: a peer that does not take it in this
// time loses it, and the server the memory it holds.
const int ANSWER_TIMEOUT_MS = 30000;
// What one read takes from the kernel at most: a peer sending without end
// fills this, not the memory.
const int READ_BUFFER_SIZE = 64 * 1024;
// What the kernel keeps of an answer that the peer has not taken. With the
// piece of a file queued here, that is all one answer holds.
const int SEND_BUFFER_SIZE = 64 * 1024;
// A file's next piece is queued once less than this waits to be sent.
const qint64 FILE_PIECE_SIZE = 64 * 1024;
// How long a peer answered before its request was read may go on sending,
// so that the answer reaches it rather than being lost in a reset.
const int LINGER_MS = 2000;

// A pass's ticket: queued until the GUI thread runs it or the connection
// drops it, whichever comes first.
enum PassTicket { PASS_QUEUED, PASS_RUNNING, PASS_DROPPED };

enum class Framing { Incomplete, Complete, HeadersTooLarge, TooLarge };

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
            return received.size() > MAX_HEADER_SIZE ? Framing::HeadersTooLarge : Framing::Incomplete;
        if (m_headerEnd > MAX_HEADER_SIZE)
            return Framing::HeadersTooLarge;
        if (m_contentLength < 0 && !readContentLength(received))
            return Framing::TooLarge;
        // Compared without adding, so that no announced length can wrap round.
        if (m_contentLength > MAX_REQUEST_SIZE - m_headerEnd)
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

XServerConnection::XServerConnection(quint64 id, XServerListener* listener)
    : QObject(listener)
    , m_listener(listener)
    , m_id(id)
    , m_framing(std::make_unique<RequestFraming>())
{
}

XServerConnection::~XServerConnection()
{
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
    finish();
}

bool XServerConnection::start(qintptr descriptor)
{
    const XServerListener::Settings& settings = m_listener->settings();
    QSslSocket* sslSocket = nullptr;
    if (settings.secure) {
        sslSocket = new QSslSocket(this);
        m_socket = sslSocket;
    } else {
        m_socket = new QTcpSocket(this);
    }
#ifdef Q_OS_UNIX
    // The kernel would otherwise grow its buffer for an answer nobody takes
    // to megabytes.
    ::setsockopt(int(descriptor), SOL_SOCKET, SO_SNDBUF, &SEND_BUFFER_SIZE, sizeof(SEND_BUFFER_SIZE));
#endif
    if (!m_socket->setSocketDescriptor(descriptor, QAbstractSocket::ConnectedState, QIODevice::ReadWrite)) {
        delete m_socket;
        m_socket = nullptr;
        return false;
    }
    m_socket->setReadBufferSize(READ_BUFFER_SIZE);
    m_peerAddress = m_socket->peerAddress().toString();
    connect(m_socket, &QTcpSocket::readyRead, this, &XServerConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &XServerConnection::end);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &XServerConnection::sendMore);
    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::CoarseTimer);
    connect(&m_deadline, &QTimer::timeout, this, [this]() { closeNow(true); });
    m_hold.setSingleShot(true);
    m_hold.setTimerType(Qt::PreciseTimer);
    connect(&m_hold, &QTimer::timeout, this, [this]() {
        endHold();
        writeAnswer(m_heldAnswer);
    });
    m_deadline.start(REQUEST_TIMEOUT_MS);
    m_listener->setMayGiveWay(this, true);
    if (sslSocket) {
        connect(sslSocket, &QSslSocket::encryptedBytesWritten, this, &XServerConnection::sendMore);
        sslSocket->setLocalCertificate(settings.certificate);
        sslSocket->setPrivateKey(settings.privateKey);
        sslSocket->setProtocol(QSsl::TlsV1_2);
        sslSocket->startServerEncryption();
    }
    return true;
}

quint64 XServerConnection::id() const
{
    return m_id;
}

QString XServerConnection::peerAddress() const
{
    return m_peerAddress;
}

void XServerConnection::setState(State state)
{
    // Only what runs in the GUI thread right now, or is being served this
    // moment, cannot give way; a pass that runs is found out when asked.
    const auto mayGiveWay = [](State s) { return s != State::Serving && s != State::Ended; };
    if (mayGiveWay(state) != mayGiveWay(m_state))
        m_listener->setMayGiveWay(this, mayGiveWay(state));
    m_state = state;
}

void XServerConnection::onReadyRead()
{
    if (m_lingering) {
        m_socket->readAll();
        return;
    }
    if (m_state != State::Reading)
        return;
    m_received += m_socket->readAll();
    int requestSize = 0;
    switch (m_framing->frame(m_received, &requestSize)) {
    case Framing::Incomplete:
        return;
    case Framing::HeadersTooLarge:
        m_received = QByteArray();
        m_lingering = true;
        writeResponse(XServerSocketThread::headersTooLargeResponse());
        return;
    case Framing::TooLarge:
        closeNow(true);
        return;
    case Framing::Complete:
        break;
    }
    m_deadline.stop();
    stopReading();
    const QByteArray request = m_received.left(requestSize);
    m_received = QByteArray();
    serve(request);
}

void XServerConnection::stopReading()
{
    // Nothing more is read once the request is complete: simple clients close
    // their side after the request and still wait for the answer, and a socket
    // that reads on takes that close for the end of the connection. Qt has no
    // switch for it, so the socket's read notifier (under TLS, its plain
    // socket's) is switched off itself; only reading turns it on again.
    const QList<QSocketNotifier*> notifiers = m_socket->findChildren<QSocketNotifier*>();
    for (QSocketNotifier* notifier : notifiers) {
        if (notifier->type() == QSocketNotifier::Read)
            notifier->setEnabled(false);
    }
}

void XServerConnection::serve(const QByteArray& request)
{
    setState(State::Serving);
    const QByteArray decoded = XServerSocketThread::decode(request);
    if (XServerSocketThread::isPost(decoded)) {
        m_postText = QString::fromUtf8(decoded);
        XServerSignInGate* gate = m_listener->signInGate();
        switch (gate->enter(
            m_peerAddress, this, [this]() { startPass(); }, [this]() { writeResponse(busyResponse()); })) {
        case XServerSignInGate::Entry::CheckNow:
            startPass();
            return;
        case XServerSignInGate::Entry::Waits:
            setState(State::SigningIn);
            return;
        case XServerSignInGate::Entry::TurnedAway:
            // Unchecked, so no word on the password: a guess it is not.
            writeResponse(busyResponse());
            return;
        }
    }
    XServerSocketThread handler(m_listener->connections(), m_peerAddress);
    if (XServerSocketThread::isGet(decoded))
        handler.handleGet(decoded);
    writeAnswer(handler.answer());
}

void XServerConnection::startPass()
{
    setState(State::InGuiThread);
    m_ticket = std::make_shared<QAtomicInt>(PASS_QUEUED);
    const std::shared_ptr<QAtomicInt> ticket = m_ticket;
    XServerConnections* connections = m_listener->connections();
    const quint64 id = m_id;
    const QString peer = m_peerAddress;
    const QString text = m_postText;
    m_postText.clear();
    // The listener outlives every call into the GUI thread (see the class of
    // the connections), the connection need not.
    connections->runInGuiThread([connections, ticket, id, peer, text]() {
        if (!ticket->testAndSetOrdered(PASS_QUEUED, PASS_RUNNING))
            return;
        XServerSocketThread handler(connections, peer);
        handler.handlePost(text);
        connections->answerPass(id, peer, handler.answer());
    });
}

bool XServerConnection::passAnswered(const XServerSocketThread::Answer& answer, int holdMs)
{
    if (m_state != State::InGuiThread)
        return false;
    m_ticket.reset();
    if (holdMs <= 0) {
        writeAnswer(answer);
        return true;
    }
    m_heldAnswer = answer;
    setState(State::Holding);
    m_hold.start(holdMs);
    return true;
}

void XServerConnection::endHold()
{
    m_hold.stop();
    m_listener->signInGate()->holdEnded();
}

bool XServerConnection::giveWay()
{
    switch (m_state) {
    case State::Reading:
    case State::Writing:
        closeNow(true);
        return true;
    case State::SigningIn:
        m_listener->signInGate()->leave(m_peerAddress, this);
        answerNow(busyResponse());
        return true;
    case State::InGuiThread:
        if (!m_ticket->testAndSetOrdered(PASS_QUEUED, PASS_DROPPED)) {
            m_listener->setMayGiveWay(this, false);
            return false;
        }
        m_ticket.reset();
        m_listener->signInGate()->checked(m_peerAddress, XServerSignInGate::Outcome::NotChecked, 0);
        answerNow(busyResponse());
        return true;
    case State::Holding:
        endHold();
        answerNow(m_heldAnswer.response);
        return true;
    case State::Serving:
        return false;
    case State::Ended:
        return true;
    }
    return false;
}

void XServerConnection::writeAnswer(const XServerSocketThread::Answer& answer)
{
    if (m_state == State::Ended)
        return;
    setState(State::Writing);
    m_deadline.start(ANSWER_TIMEOUT_MS);
    m_file = answer.file;
    m_fileLeft = answer.fileLeft;
    if (answer.answered)
        m_socket->write(answer.response);
    sendMore();
}

QByteArray XServerConnection::busyResponse() const
{
    return XServerSocketThread::busyResponse(m_listener->signInGate()->retryAfterSeconds(m_peerAddress));
}

void XServerConnection::writeResponse(const QByteArray& response)
{
    XServerSocketThread::Answer answer;
    answer.response = response;
    answer.answered = true;
    writeAnswer(answer);
}

void XServerConnection::sendMore()
{
    if (m_state != State::Writing || m_closing)
        return;
    while (m_file && pendingBytes() < FILE_PIECE_SIZE) {
        const QByteArray piece = m_file->read(qMin(m_fileLeft, FILE_PIECE_SIZE));
        // The file was cut short meanwhile: the answer cannot be completed.
        if (piece.isEmpty()) {
            closeNow(true);
            return;
        }
        m_fileLeft -= piece.size();
        if (m_fileLeft <= 0)
            m_file.reset();
        m_socket->write(piece);
    }
    if (m_file)
        return;
#ifdef Q_OS_UNIX
    if (m_lingering) {
        // The peer may still be sending what will never be read: closing now
        // would reset the connection, and the answer with it. The answer goes
        // out with the end of this side instead, and whatever comes meanwhile
        // is dropped until the peer closes too, or for a short while.
        if (pendingBytes() == 0) {
            m_closing = true;
            ::shutdown(int(m_socket->socketDescriptor()), SHUT_WR);
            m_deadline.start(LINGER_MS);
        }
        return;
    }
#endif
    // Closes once the answer is written, and then ends the connection.
    m_closing = true;
    m_socket->disconnectFromHost();
}

qint64 XServerConnection::pendingBytes() const
{
    const auto* sslSocket = qobject_cast<const QSslSocket*>(m_socket);
    return m_socket->bytesToWrite() + (sslSocket ? sslSocket->encryptedBytesToWrite() : 0);
}

void XServerConnection::answerNow(const QByteArray& response)
{
    // The place is the newcomer's now: what the kernel does not take at
    // once is not waited for.
    setState(State::Writing);
    m_socket->write(response);
    m_socket->flush();
    closeNow(pendingBytes() > 0);
}

void XServerConnection::closeNow(bool reset)
{
    if (m_state == State::Ended)
        return;
#ifdef Q_OS_UNIX
    // Reset rather than closed in order: the kernel would otherwise keep
    // sending what the peer did not take, in buffers of its own.
    if (reset) {
        const linger immediately { 1, 0 };
        ::setsockopt(
            int(m_socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &immediately, sizeof(immediately));
    }
#endif
    m_socket->abort();
    end();
}

void XServerConnection::end()
{
    if (m_state == State::Ended)
        return;
    finish();
    deleteLater();
}

void XServerConnection::finish()
{
    if (m_state == State::Ended)
        return;
    switch (m_state) {
    case State::SigningIn:
        m_listener->signInGate()->leave(m_peerAddress, this);
        break;
    case State::InGuiThread:
        // A pass still queued is dropped; one that runs tells the gate itself
        // as its answer comes back.
        if (m_ticket && m_ticket->testAndSetOrdered(PASS_QUEUED, PASS_DROPPED))
            m_listener->signInGate()->checked(m_peerAddress, XServerSignInGate::Outcome::NotChecked, 0);
        break;
    case State::Holding:
        endHold();
        break;
    default:
        break;
    }
    m_file.reset();
    setState(State::Ended);
    m_deadline.stop();
    m_hold.stop();
    m_listener->connectionEnded(this);
}
