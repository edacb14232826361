#include "webpanelfixture.h"
#include "webtestclient.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include <sys/resource.h>

namespace {
const int MAX_CONNECTIONS = 500;
const int REQUEST_TIMEOUT_MS = 10000;
// Sign-ins of one address that wait their turn; more are answered unchecked.
const int WAITING_SIGN_INS = 4;
const int SOCKET_TIMEOUT_MS = 10000;
const QByteArray INDEX_PAGE = "index";
const QByteArray EMPTY_ANSWER = "{\n}\n";

// Everything the server writes until it closes; a blocking client for
// threads without an event loop.
struct BlockingAnswer
{
    QByteArray bytes;
    bool closed = false;
    qint64 elapsedMs = 0;
};

BlockingAnswer blockingExchange(
    quint16 port, const QByteArray& request, const QHostAddress& from = QHostAddress())
{
    BlockingAnswer answer;
    QElapsedTimer clock;
    clock.start();
    QTcpSocket socket;
    if (!from.isNull() && !socket.bind(from))
        return answer;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(SOCKET_TIMEOUT_MS))
        return answer;
    socket.write(request);
    socket.waitForBytesWritten(SOCKET_TIMEOUT_MS);
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(SOCKET_TIMEOUT_MS))
        answer.bytes += socket.readAll();
    answer.bytes += socket.readAll();
    answer.closed = socket.state() == QAbstractSocket::UnconnectedState;
    answer.elapsedMs = clock.elapsed();
    return answer;
}

const QByteArray GET_ROOT = "GET / HTTP/1.0\r\n\r\n";

// Waits without an event loop, for client threads.
template <typename Condition> bool pollFor(Condition condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Counts the calls that reach this thread through its event loop.
class MetaCallCounter : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MetaCall)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};
}

// Connections as the network thread holds them: the count of open
// connections, idle and slow peers, the sign-in delay per address, and the
// limits a request must keep.
class tst_XServerConnections : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void countExactWhileGuiThreadIsBusy();
    void idleConnectionsDoNotLockOut();
    void quietPeersGiveWayToOtherAddresses_data();
    void quietPeersGiveWayToOtherAddresses();
    void newcomersTakePlacesAtOnce_data();
    void newcomersTakePlacesAtOnce();
    void signInDelayPerAddress();
    void requestLimits_data();
    void requestLimits();
    void exchangeCallsGuiThreadPerPass();
    void typeFollowsReplacedFile();
};

void tst_XServerConnections::initTestCase()
{
    // A thousand sockets on both ends of loopback in one process.
    QVERIFY(WebTest::raiseOwnDescriptorLimit() > 0);

    TestAppFolder::cleanOwnFolder();
    TestAppFolder::writeOwnFile(QStringLiteral("web/index.html"), INDEX_PAGE);
}

void tst_XServerConnections::countExactWhileGuiThreadIsBusy()
{
    WebTest::Server server;
    XServer* xserver = server.server();
    const quint16 port = server.port();

    int unanswered = 0;
    QByteArray firstUnanswered;
    int acceptedIdle = 0;
    BlockingAnswer newcomer;
    bool oldestClosed = false;
    int countAfterNewcomer = 0;
    bool idleKept = true;
    bool countBackToZero = false;
    // The GUI thread waits in join() throughout: nothing of this may need it.
    std::thread client([&]() {
        for (int i = 0; i < 2000; ++i) {
            const BlockingAnswer answer = blockingExchange(port, GET_ROOT);
            if (WebTest::parse(answer.bytes).body != INDEX_PAGE) {
                if (unanswered++ == 0)
                    firstUnanswered = answer.bytes;
            }
        }

        std::vector<std::unique_ptr<QTcpSocket>> idle;
        for (int i = 0; i < MAX_CONNECTIONS; ++i) {
            idle.push_back(std::make_unique<QTcpSocket>());
            idle.back()->connectToHost(QHostAddress::LocalHost, port);
            idle.back()->waitForConnected(SOCKET_TIMEOUT_MS);
            // In steps: a burst beyond the listen backlog is lost in the kernel.
            // The oldest is accepted alone, so that it is known to be the oldest.
            if ((i + 1) % 25 == 0 || i == 0)
                pollFor([&]() { return xserver->activeConnections() == i + 1; }, SOCKET_TIMEOUT_MS);
        }
        acceptedIdle = xserver->activeConnections();
        newcomer = blockingExchange(port, GET_ROOT);
        // The oldest idle peer gave way; a blocking socket learns so only when it looks.
        oldestClosed = idle.front()->waitForDisconnected(SOCKET_TIMEOUT_MS);
        for (size_t i = 1; i < idle.size(); ++i)
            idleKept = idleKept && idle.at(i)->state() == QAbstractSocket::ConnectedState;
        pollFor([&]() { return xserver->activeConnections() == MAX_CONNECTIONS - 1; }, SOCKET_TIMEOUT_MS);
        countAfterNewcomer = xserver->activeConnections();
        idle.clear();
        countBackToZero = pollFor([&]() { return xserver->activeConnections() == 0; }, SOCKET_TIMEOUT_MS);
    });
    client.join();

    QVERIFY2(unanswered == 0,
        qPrintable(QStringLiteral("%1 of 2000 unanswered, first: %2")
                       .arg(unanswered)
                       .arg(QString::fromUtf8(firstUnanswered.left(200)))));
    QCOMPARE(acceptedIdle, MAX_CONNECTIONS);
    // At the limit a newcomer takes the place of the oldest idle peer.
    QCOMPARE(WebTest::parse(newcomer.bytes).body, INDEX_PAGE);
    QVERIFY2(newcomer.elapsedMs < REQUEST_TIMEOUT_MS / 2, QByteArray::number(newcomer.elapsedMs));
    QVERIFY(oldestClosed);
    QCOMPARE(countAfterNewcomer, MAX_CONNECTIONS - 1);
    QVERIFY(idleKept);
    QVERIFY(countBackToZero);
}

void tst_XServerConnections::idleConnectionsDoNotLockOut()
{
    const int silent = 440;
    const int trickling = 50;
    WebTest::Server server;
    WebTest::Panel::addUser(QStringLiteral("ann"), QStringLiteral("pw"), {});
    std::vector<std::unique_ptr<QTcpSocket>> peers;
    for (int i = 0; i < silent + trickling; ++i) {
        peers.push_back(std::make_unique<QTcpSocket>());
        peers.back()->connectToHost(QHostAddress::LocalHost, server.port());
        if ((i + 1) % 25 == 0)
            QTRY_COMPARE(server.server()->activeConnections(), i + 1);
    }
    QTRY_COMPARE(server.server()->activeConnections(), silent + trickling);
    for (int i = silent; i < silent + trickling; ++i)
        peers.at(size_t(i))->write("GET / HTTP/1.0\r\nX-Slow: ");
    // Sent before the GUI thread blocks: the half requests must be on their way.
    QTRY_VERIFY(std::all_of(peers.begin() + silent, peers.end(),
        [](const std::unique_ptr<QTcpSocket>& peer) { return peer->bytesToWrite() == 0; }));

    // A newcomer is served while the GUI thread is blocked in join().
    BlockingAnswer newcomer;
    std::thread client([&]() { newcomer = blockingExchange(server.port(), GET_ROOT); });
    client.join();
    QCOMPARE(WebTest::parse(newcomer.bytes).body, INDEX_PAGE);
    QVERIFY2(newcomer.elapsedMs < 1000, QByteArray::number(newcomer.elapsedMs));

    // And a sign-in once the GUI thread is free again, with every peer still there.
    const WebTest::Answer signedIn
        = WebTest::exchange(server.port(), { WebTest::postRequest("ann", R"({"password":"pw"})") });
    QCOMPARE(WebTest::parse(signedIn.bytes).body, EMPTY_ANSWER);
    QCOMPARE(server.server()->activeConnections(), silent + trickling);
    qDeleteAll(XUsersList);
    XUsersList.clear();
}

void tst_XServerConnections::quietPeersGiveWayToOtherAddresses_data()
{
    QTest::addColumn<int>("fromFirst");
    QTest::addColumn<int>("fromSecond");
    QTest::addColumn<int>("eachFromItsOwn");
    QTest::addColumn<QString>("newcomer");
    QTest::addColumn<int>("givesWay");

    QTest::newRow("newcomer from the quiet peers' address: their oldest gives way")
        << 500 << 0 << 0 << "127.0.0.1" << 0;
    QTest::newRow("newcomer from another address: the oldest quiet peer gives way")
        << 500 << 0 << 0 << "127.0.0.2" << 0;
    QTest::newRow("two addresses holding as many: the oldest gives way")
        << 250 << 250 << 0 << "127.0.0.2" << 0;
    QTest::newRow("the address holding more gives way, however young its peers")
        << 200 << 300 << 0 << "127.0.0.1" << 200;
    QTest::newRow("every peer from an address of its own: the oldest gives way")
        << 0 << 0 << 500 << "127.0.0.2" << 0;
}

void tst_XServerConnections::quietPeersGiveWayToOtherAddresses()
{
    QFETCH(int, fromFirst);
    QFETCH(int, fromSecond);
    QFETCH(int, eachFromItsOwn);
    QFETCH(QString, newcomer);
    QFETCH(int, givesWay);
    QCOMPARE(fromFirst + fromSecond + eachFromItsOwn, MAX_CONNECTIONS);
    WebTest::Server server;
    XServer* xserver = server.server();
    std::vector<std::unique_ptr<QTcpSocket>> peers;
    for (int i = 0; i < MAX_CONNECTIONS; ++i) {
        peers.push_back(std::make_unique<QTcpSocket>());
        if (i >= fromFirst + fromSecond) {
            const int own = i - fromFirst - fromSecond;
            QVERIFY(peers.back()->bind(
                QHostAddress(QStringLiteral("127.0.%1.%2").arg(10 + own / 250).arg(1 + own % 250))));
        } else if (i >= fromFirst) {
            QVERIFY(peers.back()->bind(QHostAddress(QStringLiteral("127.0.0.2"))));
        }
        peers.back()->connectToHost(QHostAddress::LocalHost, server.port());
        // In steps: a burst beyond the listen backlog is lost in the kernel.
        // The one to give way is accepted alone, so that it is known to be
        // the oldest of its address.
        if ((i + 1) % 25 == 0 || i == givesWay || i + 1 == givesWay)
            QTRY_COMPARE(xserver->activeConnections(), i + 1);
    }

    const BlockingAnswer answer = blockingExchange(server.port(), GET_ROOT, QHostAddress(newcomer));
    QCOMPARE(WebTest::parse(answer.bytes).body, INDEX_PAGE);
    QVERIFY(answer.closed);
    QVERIFY2(answer.elapsedMs < 1000, QByteArray::number(answer.elapsedMs));
    QTRY_COMPARE(peers.at(size_t(givesWay))->state(), QAbstractSocket::UnconnectedState);
    QTRY_COMPARE(xserver->activeConnections(), MAX_CONNECTIONS - 1);
    // The peers' own sockets learn of their state through this thread's events.
    QTRY_VERIFY(std::all_of(peers.begin(), peers.end(), [&](const std::unique_ptr<QTcpSocket>& peer) {
        return peer == peers.at(size_t(givesWay)) || peer->state() == QAbstractSocket::ConnectedState;
    }));
    peers.clear();
    QTRY_COMPARE(xserver->activeConnections(), 0);
}

void tst_XServerConnections::newcomersTakePlacesAtOnce_data()
{
    QTest::addColumn<int>("newcomers");
    QTest::newRow("one newcomer") << 1;
    QTest::newRow("a burst of newcomers") << 40;
}

void tst_XServerConnections::newcomersTakePlacesAtOnce()
{
    // Peers that connect before the limit keep still; newcomers beyond it
    // take the places of the oldest at once, however many come together.
    QFETCH(int, newcomers);
    WebTest::Server server;
    XServer* xserver = server.server();
    std::vector<std::unique_ptr<WebTest::RawClient>> peers;
    QElapsedTimer sinceOldestAccepted;
    for (int i = 0; i < MAX_CONNECTIONS; ++i) {
        peers.push_back(std::make_unique<WebTest::RawClient>(server.port()));
        QVERIFY(peers.back()->connected());
        if (i == 0)
            sinceOldestAccepted.start();
        if ((i + 1) % 25 == 0 || i == 0)
            QTRY_COMPARE(xserver->activeConnections(), i + 1);
    }
    // Each sends half its request, so that each keeps its place.
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < newcomers; ++i) {
        clients.push_back(std::make_unique<QTcpSocket>());
        clients.back()->connectToHost(QHostAddress::LocalHost, server.port());
        clients.back()->write(GET_ROOT.left(6));
    }
    QTRY_VERIFY(std::all_of(clients.begin(), clients.end(), [](const std::unique_ptr<QTcpSocket>& client) {
        return client->state() == QAbstractSocket::ConnectedState && client->bytesToWrite() == 0;
    }));
    // Closed for the newcomers, well before their own request time ran out.
    for (int i = 0; i < newcomers; ++i)
        QTRY_VERIFY2_WITH_TIMEOUT(!peers.at(size_t(i))->readAvailable(), QByteArray::number(i), 5000);
    QVERIFY(peers.at(size_t(newcomers))->readAvailable());
    QVERIFY2(sinceOldestAccepted.elapsed() < REQUEST_TIMEOUT_MS - 1000,
        QByteArray::number(sinceOldestAccepted.elapsed()));
    QTRY_COMPARE(xserver->activeConnections(), MAX_CONNECTIONS);
    for (const std::unique_ptr<QTcpSocket>& client : clients)
        client->write(GET_ROOT.mid(6));
    QTRY_VERIFY(std::all_of(clients.begin(), clients.end(), [](const std::unique_ptr<QTcpSocket>& client) {
        return client->state() == QAbstractSocket::UnconnectedState;
    }));
    for (const std::unique_ptr<QTcpSocket>& client : clients)
        QCOMPARE(WebTest::parse(client->readAll()).body, INDEX_PAGE);
    QTRY_COMPARE(xserver->activeConnections(), MAX_CONNECTIONS - newcomers);
    peers.clear();
    QTRY_COMPARE(xserver->activeConnections(), 0);
}

void tst_XServerConnections::signInDelayPerAddress()
{
    const int delayMs = 50;
    const int guesses = 20;
    WebTest::Server server(false, delayMs);
    WebTest::Panel::addUser(QStringLiteral("ann"), QStringLiteral("pw"), {});
    const QByteArray wrong = WebTest::postRequest("ann", R"({"password":"guess"})");

    QElapsedTimer clock;
    clock.start();
    struct Guess
    {
        QTcpSocket socket;
        QByteArray received;
        qint64 closedAt = -1;
    };
    std::vector<std::unique_ptr<Guess>> parallel;
    for (int i = 0; i < guesses; ++i) {
        parallel.push_back(std::make_unique<Guess>());
        Guess* guess = parallel.back().get();
        connect(&guess->socket, &QIODevice::readyRead, [guess]() { guess->received += guess->socket.readAll(); });
        connect(&guess->socket, &QAbstractSocket::disconnected, [guess, &clock]() { guess->closedAt = clock.elapsed(); });
        connect(&guess->socket, &QAbstractSocket::connected, [guess, wrong]() { guess->socket.write(wrong); });
        guess->socket.connectToHost(QHostAddress::LocalHost, server.port());
    }
    QTRY_VERIFY(parallel.back()->socket.state() == QAbstractSocket::ConnectedState);

    // While the guesses wait their turn: a file from the same address, and a
    // wrong guess from another one, are not held behind them.
    const WebTest::Answer file = WebTest::get(server.port(), "/");
    const qint64 fileAt = clock.elapsed();
    Guess other;
    QVERIFY(other.socket.bind(QHostAddress(QStringLiteral("127.0.0.2"))));
    connect(&other.socket, &QIODevice::readyRead, [&other]() { other.received += other.socket.readAll(); });
    connect(&other.socket, &QAbstractSocket::disconnected, [&]() { other.closedAt = clock.elapsed(); });
    const qint64 otherStart = clock.elapsed();
    other.socket.connectToHost(QHostAddress::LocalHost, server.port());
    QTRY_VERIFY(other.socket.state() == QAbstractSocket::ConnectedState);
    other.socket.write(wrong);

    QTRY_VERIFY_WITH_TIMEOUT(
        std::all_of(parallel.begin(), parallel.end(), [](const auto& guess) { return guess->closedAt >= 0; }),
        guesses * delayMs * 10 + 10000);
    QTRY_VERIFY(other.closedAt >= 0);

    // Those beyond the few that wait are answered unchecked, as busy; the
    // ones checked are still one delay apart.
    qint64 last = 0;
    int checked = 0;
    for (const auto& guess : parallel) {
        if (WebTest::isBusy(guess->received))
            continue;
        QCOMPARE(guess->received, QByteArray("SIGN_IN_ERROR"));
        ++checked;
        last = qMax(last, guess->closedAt);
    }
    QVERIFY2(checked >= 1 + WAITING_SIGN_INS, QByteArray::number(checked));
    QVERIFY2(last >= WAITING_SIGN_INS * delayMs, QByteArray::number(last));
    QCOMPARE(WebTest::parse(file.bytes).body, INDEX_PAGE);
    QVERIFY2(fileAt < guesses * delayMs, QByteArray::number(fileAt));
    QCOMPARE(other.received, QByteArray("SIGN_IN_ERROR"));

    // The guessing address is not locked out once its guesses are answered.
    const WebTest::Answer right
        = WebTest::exchange(server.port(), { WebTest::postRequest("ann", R"({"password":"pw"})") });
    QCOMPARE(WebTest::parse(right.bytes).body, EMPTY_ANSWER);
    QVERIFY2(other.closedAt - otherStart < guesses * delayMs / 2,
        QByteArray::number(other.closedAt - otherStart));
    qDeleteAll(XUsersList);
    XUsersList.clear();
}

void tst_XServerConnections::requestLimits_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<bool>("answered");

    // As many as the header block holds.
    QByteArray parents;
    for (int i = 0; i < 10900; ++i)
        parents += "../";
    QTest::newRow("32 KiB of leading parents") << "GET /" + parents + "index.html HTTP/1.0\r\n\r\n" << true;
    QTest::newRow("length of the largest 64-bit number")
        << QByteArray("POST /ann HTTP/1.0\r\nContent-Length: 9223372036854775807\r\n\r\n{") << false;
    QTest::newRow("length one past 64 bits")
        << QByteArray("POST /ann HTTP/1.0\r\nContent-Length: 9223372036854775808\r\n\r\n{") << false;
    QTest::newRow("length of thirty digits")
        << QByteArray("GET / HTTP/1.0\r\nContent-Length: 123456789012345678901234567890\r\n\r\n") << false;
}

void tst_XServerConnections::requestLimits()
{
    QFETCH(QByteArray, request);
    QFETCH(bool, answered);
    WebTest::Server server;
    const WebTest::Answer answer = WebTest::exchange(server.port(), { request });
    QVERIFY(answer.closed);
    QVERIFY2(answer.elapsedMs < REQUEST_TIMEOUT_MS / 4, QByteArray::number(answer.elapsedMs));
    if (answered)
        QCOMPARE(WebTest::parse(answer.bytes).body, INDEX_PAGE);
    else
        QCOMPARE(answer.bytes, QByteArray());
}

void tst_XServerConnections::exchangeCallsGuiThreadPerPass()
{
    const int widgets = 50;
    WebTest::Server server;
    WebTest::Panel panel;
    panel.addGroup(QStringLiteral("G"), { 0, 0 }, { 800, 800 });
    QByteArray input;
    for (int i = 0; i < widgets; ++i) {
        panel.addWidget(QStringLiteral("w%1").arg(i), QStringLiteral("G"));
        input += (i ? ",\"w" : "\"w") + QByteArray::number(i) + "\":{\"clicked\":true}";
    }
    WebTest::Panel::addUser(QStringLiteral("ann"), QStringLiteral("pw"), { { QStringLiteral("G"), ReadAndWrite } });

    MetaCallCounter counter;
    qApp->installEventFilter(&counter);
    const WebTest::Answer answer = WebTest::exchange(server.port(),
        { WebTest::postRequest("ann", "{\"password\":\"pw\",\"WIDGETS\":{" + input + "}}") });
    qApp->removeEventFilter(&counter);

    const QJsonObject states
        = QJsonDocument::fromJson(WebTest::parse(answer.bytes).body).object().value("WIDGETS").toObject();
    QCOMPARE(states.size(), widgets);
    // Sign-in, the two passes and the time of the request: none per widget.
    QVERIFY2(counter.count <= 4, QByteArray::number(counter.count));
}

void tst_XServerConnections::typeFollowsReplacedFile()
{
    // No extension: the type comes from the content, which the server must
    // look at again once the file is another.
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QVERIFY(image.save(&buffer, "PNG"));
    const QByteArray text = "plain words, nothing else\n";

    WebTest::Server server;
    QByteArray types;
    for (const QByteArray& content : { png, text, png }) {
        TestAppFolder::writeOwnFile(QStringLiteral("web/sample"), content);
        const WebTest::HttpAnswer http = WebTest::parse(WebTest::get(server.port(), "/sample").bytes);
        QCOMPARE(http.body, content);
        types += http.headerLines.value(1) + ";";
    }
    QCOMPARE(types, QByteArray("Content-Type: image/png;Content-Type: text/plain;Content-Type: image/png;"));
}

QTEST_MAIN(tst_XServerConnections)
#include "tst_xserverconnections.moc"
