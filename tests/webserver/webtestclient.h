#pragma once

// Real sockets against a real server: a server listening on a free loopback
// port in this process and a client that keeps the event loop running while it
// waits, so the connection threads can make their calls into this thread.

#include "freeport.h"
#include "xserver.h"
#include "xserversettings.h"

#include <QElapsedTimer>
#include <QList>
#include <QSettings>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace WebTest {
// The client ends of a flood live in the test's own process: the descriptors
// it may have, raised to the hard limit.
inline rlim_t raiseOwnDescriptorLimit()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    return limit.rlim_cur;
}

// A plain descriptor, for what QTcpSocket cannot do: half-close its side,
// take an answer through a tiny receive window, send without waiting for the
// peer to take it, or be connected before the constructor returns (from the
// processor the caller runs on). From the loopback address given, if any.
class RawClient
{
public:
    explicit RawClient(quint16 port, int receiveBuffer = 0, const char* from = nullptr)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receiveBuffer > 0)
            ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof(receiveBuffer));
        if (from) {
            sockaddr_in source {};
            source.sin_family = AF_INET;
            if (::inet_pton(AF_INET, from, &source.sin_addr) != 1
                || ::bind(m_fd, reinterpret_cast<sockaddr*>(&source), sizeof(source)) != 0)
                return;
        }
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~RawClient() { ::close(m_fd); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return m_connected; }

    bool send(const QByteArray& bytes)
    {
        return m_connected
            && ::send(m_fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    }
    void halfClose() { ::shutdown(m_fd, SHUT_WR); }

    // Sends what the kernel takes now of the bytes from offset on; the new
    // offset, or -1 once the peer has closed.
    qint64 sendSome(const QByteArray& bytes, qint64 offset)
    {
        if (!m_connected)
            return -1;
        const ssize_t sent = ::send(
            m_fd, bytes.constData() + offset, size_t(bytes.size() - offset), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0)
            return offset + sent;
        return errno == EAGAIN || errno == EWOULDBLOCK ? offset : -1;
    }

    // Reads whatever has come, without waiting; false once the server has
    // closed (or reset) the connection.
    bool readAvailable()
    {
        char buffer[65536];
        for (;;) {
            pollfd entry { m_fd, POLLIN, 0 };
            if (::poll(&entry, 1, 0) <= 0)
                return true;
            const ssize_t read = ::recv(m_fd, buffer, sizeof(buffer), 0);
            if (read <= 0)
                return false;
            received.append(buffer, int(read));
        }
    }

    QByteArray received;

private:
    int m_fd = -1;
    bool m_connected = false;
};

// A server on its own settings file, switched on at a free port.
class Server
{
public:
    explicit Server(bool secure = false, int delay = 0)
        : m_settings(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
        , m_record(&m_settings)
    {
        m_record.enabled = true;
        m_record.secureConnection = secure;
        m_record.delay = delay;
        m_server = std::make_unique<XServer>(&m_record);
        for (int attempt = 0; attempt < 5 && !m_server->isListening(); ++attempt) {
            m_record.port = freeServerPort();
            m_server->settingsLoaded();
        }
    }

    quint16 port() const { return m_server->serverPort(); }
    XServer* server() const { return m_server.get(); }

private:
    QTemporaryDir m_dir;
    QSettings m_settings;
    XServerSettings m_record;
    std::unique_ptr<XServer> m_server;
};

struct Answer
{
    QByteArray bytes;
    bool closed = false;
    qint64 elapsedMs = 0;
    QSsl::SslProtocol protocol = QSsl::UnknownProtocol;
};

// Sends the packets with a pause between them and collects everything the
// server writes until it closes the connection.
// With halfClose the client shuts its sending side once the last packet is
// on its way, as simple clients do, and still waits for the answer.
inline Answer exchange(quint16 port, const QList<QByteArray>& packets, bool tls = false, int pauseMs = 300,
    int timeoutMs = 5000, const QHostAddress& from = QHostAddress(), bool halfClose = false)
{
    Answer answer;
    QSslSocket socket;
    if (!from.isNull() && !socket.bind(from))
        return answer;
    QObject::connect(&socket, &QIODevice::readyRead, [&]() { answer.bytes += socket.readAll(); });
    QElapsedTimer clock;
    clock.start();
    if (tls) {
        socket.setPeerVerifyMode(QSslSocket::VerifyNone);
        socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
        if (!QTest::qWaitFor([&]() { return socket.isEncrypted(); }, timeoutMs))
            return answer;
        answer.protocol = socket.sessionProtocol();
    } else {
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (!QTest::qWaitFor([&]() { return socket.state() == QAbstractSocket::ConnectedState; }, timeoutMs))
            return answer;
    }
    for (int i = 0; i < packets.size(); ++i) {
        if (i > 0)
            QTest::qWait(pauseMs);
        socket.write(packets.at(i));
        socket.flush();
    }
    if (halfClose) {
        if (!QTest::qWaitFor(
                [&]() { return socket.bytesToWrite() == 0 && socket.encryptedBytesToWrite() == 0; },
                timeoutMs))
            return answer;
        ::shutdown(int(socket.socketDescriptor()), SHUT_WR);
    }
    answer.closed
        = QTest::qWaitFor([&]() { return socket.state() == QAbstractSocket::UnconnectedState; }, timeoutMs);
    answer.bytes += socket.readAll();
    answer.elapsedMs = clock.elapsed();
    return answer;
}

inline Answer get(quint16 port, const QByteArray& path, bool tls = false)
{
    return exchange(port, { "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n" }, tls);
}

inline QByteArray postRequest(
    const QByteArray& userName, const QByteArray& body, const QByteArray& method = "POST")
{
    return method + " /" + userName
        + " HTTP/1.0\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// The status line and header lines of an answer, and its body.
struct HttpAnswer
{
    QList<QByteArray> headerLines;
    QByteArray body;
};

inline HttpAnswer parse(const QByteArray& bytes)
{
    HttpAnswer http;
    const int end = bytes.indexOf("\r\n\r\n");
    if (end < 0)
        return http;
    for (int from = 0; from <= end;) {
        const int next = bytes.indexOf("\r\n", from);
        http.headerLines.append(bytes.mid(from, next - from));
        from = next + 2;
    }
    http.body = bytes.mid(end + 4);
    return http;
}

// A sign-in answered without its password being checked: busy, to be asked again.
inline bool isBusy(const QByteArray& bytes)
{
    const HttpAnswer http = parse(bytes);
    return http.headerLines.value(0) == "HTTP/1.0 503 Service Unavailable"
        && std::any_of(http.headerLines.begin(), http.headerLines.end(),
            [](const QByteArray& line) { return line.startsWith("Retry-After: "); });
}

inline QList<QByteArray> headerLines(int status, const QByteArray& contentType, int length)
{
    return { status == 404 ? "HTTP/1.0 404 Not Found" : "HTTP/1.0 200 OK", "Content-Type: " + contentType,
        "Content-Length: " + QByteArray::number(length), "Server: Velmora Server", "Connection: close" };
}

}
