#include "webpanelfixture.h"
#include "webtestclient.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>


namespace {
const int SIGN_IN_FLOOD = 500;
const int BATCH = 25;
// Beyond what the kernel buffers on the way, however it tunes them.
const int BIG_FILE_SIZE = 32 * 1024 * 1024;
const int ANSWER_TIMEOUT_MS = 30000;
const QByteArray INDEX_PAGE = "index";
const QByteArray NOT_FOUND_PAGE = "missing";
const QByteArray EMPTY_ANSWER = "{\n}\n";
const QByteArray GET_ROOT = "GET / HTTP/1.0\r\n\r\n";

// Guesses that keep their sockets, sent as soon as each is connected.
struct Guess
{
    QTcpSocket socket;
    QByteArray received;
    bool closed = false;
};

std::vector<std::unique_ptr<Guess>> sendGuesses(quint16 port, int count, const QByteArray& request)
{
    std::vector<std::unique_ptr<Guess>> guesses;
    for (int i = 0; i < count; ++i) {
        guesses.push_back(std::make_unique<Guess>());
        Guess* guess = guesses.back().get();
        QObject::connect(
            &guess->socket, &QIODevice::readyRead, [guess]() { guess->received += guess->socket.readAll(); });
        QObject::connect(&guess->socket, &QAbstractSocket::disconnected, [guess]() { guess->closed = true; });
        QObject::connect(&guess->socket, &QAbstractSocket::connected,
            [guess, request]() { guess->socket.write(request); });
        guess->socket.connectToHost(QHostAddress::LocalHost, port);
        // In steps: a burst beyond the listen backlog is lost in the kernel.
        if ((i + 1) % BATCH == 0) {
            const bool settled = QTest::qWaitFor([&]() {
                return std::all_of(guesses.end() - BATCH, guesses.end(),
                    [](const auto& g) { return g->socket.state() != QAbstractSocket::ConnectingState; });
            });
            // The caller's counts then show what is missing.
            if (!settled)
                break;
        }
    }
    return guesses;
}

int countAnswered(const std::vector<std::unique_ptr<Guess>>& guesses, const QByteArray& answer)
{
    return int(std::count_if(guesses.begin(), guesses.end(),
        [&](const auto& guess) { return guess->closed && guess->received == answer; }));
}

QStringList socketsOf(qint64 pid)
{
    QStringList sockets;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& name : fds.entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files)) {
        const QString target = QFile::symLinkTarget(fds.filePath(name));
        if (target.contains(QLatin1String("socket:")))
            sockets << name + QLatin1String(" -> ") + target;
    }
    return sockets;
}
}

// Ways for peers to shut others out of the web server, tried with real
// sockets: every one must leave room for a newcomer, and the server must
// still answer what it is sent.
class tst_WebShutOut : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void waitingSignInsLeaveRoom();
    void unreadAnswerIsAbortedAtItsDeadline();
    void halfClosedPostIsAnswered();
    void framingIndependentOfArrival_data();
    void framingIndependentOfArrival();
    void linksServedOnlyInsideFolders_data();
    void linksServedOnlyInsideFolders();
    void childHoldsNoServerSocket();
    void operatorBehindProxyWhileGuessesWait();
};

void tst_WebShutOut::initTestCase()
{
    QVERIFY(WebTest::raiseOwnDescriptorLimit() > 0);

    TestAppFolder::cleanOwnFolder();
    TestAppFolder::writeOwnFile(QStringLiteral("web/index.html"), INDEX_PAGE);
    TestAppFolder::writeOwnFile(QStringLiteral("web/404.html"), NOT_FOUND_PAGE);
    TestAppFolder::writeOwnFile(QStringLiteral("content/big.bin"), QByteArray(BIG_FILE_SIZE, 'x'));
}

void tst_WebShutOut::waitingSignInsLeaveRoom()
{
    const int delayMs = 1000;
    WebTest::Server server(false, delayMs);
    WebTest::Panel::addUser(QStringLiteral("ann"), QStringLiteral("pw"), {});
    const auto guesses
        = sendGuesses(server.port(), SIGN_IN_FLOOD, WebTest::postRequest("ann", R"({"password":"guess"})"));

    // Beyond the few that wait their turn, the guesses are answered at once,
    // without being checked.
    QTRY_VERIFY_WITH_TIMEOUT(countAnswered(guesses, "SIGN_IN_ERROR") >= SIGN_IN_FLOOD - 10, 5000);
    const WebTest::Answer other = WebTest::exchange(
        server.port(), { GET_ROOT }, false, 0, 5000, QHostAddress(QStringLiteral("127.0.0.2")));
    QCOMPARE(WebTest::parse(other.bytes).body, INDEX_PAGE);
    QVERIFY2(other.elapsedMs < 1000, QByteArray::number(other.elapsedMs));

    // The ones that waited are checked one delay apart, and answered so.
    QTRY_COMPARE_WITH_TIMEOUT(countAnswered(guesses, "SIGN_IN_ERROR"), SIGN_IN_FLOOD, 10 * delayMs + 5000);
    QTRY_COMPARE(server.server()->activeConnections(), 0);
    qDeleteAll(XUsersList);
    XUsersList.clear();
}

void tst_WebShutOut::unreadAnswerIsAbortedAtItsDeadline()
{
    WebTest::Server server;
    WebTest::RawClient reader(server.port(), 4096);
    QVERIFY(reader.send("GET /content/big.bin HTTP/1.0\r\n\r\n"));
    QTRY_VERIFY(reader.readAvailable() && !reader.received.isEmpty());
    QCOMPARE(server.server()->activeConnections(), 1);

    QElapsedTimer clock;
    clock.start();
    QTRY_COMPARE_WITH_TIMEOUT(server.server()->activeConnections(), 0, ANSWER_TIMEOUT_MS + 15000);
    QVERIFY2(clock.elapsed() > ANSWER_TIMEOUT_MS / 2, QByteArray::number(clock.elapsed()));
    QTRY_VERIFY(!reader.readAvailable());
    QVERIFY(reader.received.size() < BIG_FILE_SIZE);
}

void tst_WebShutOut::halfClosedPostIsAnswered()
{
    WebTest::Server server;
    WebTest::Panel::addUser(QStringLiteral("ann"), QStringLiteral("pw"), {});
    WebTest::RawClient client(server.port());
    QVERIFY(client.send(WebTest::postRequest("ann", R"({"password":"pw"})")));
    client.halfClose();
    QTRY_VERIFY(!client.readAvailable());
    QCOMPARE(WebTest::parse(client.received).body, EMPTY_ANSWER);
    qDeleteAll(XUsersList);
    XUsersList.clear();
}

void tst_WebShutOut::framingIndependentOfArrival_data()
{
    QTest::addColumn<QList<QByteArray>>("packets");

    // Headers ended by a bare LF, a body that holds a CR LF blank line.
    const QByteArray body = "{\"password\":\"x\r\n\r\n\"}\n";
    const QByteArray header
        = "POST /ann HTTP/1.0\nContent-Length: " + QByteArray::number(body.size()) + "\n\n";
    QTest::newRow("whole") << QList<QByteArray> { header + body };
    QTest::newRow("headers first") << QList<QByteArray> { header, body };
    QTest::newRow("split in the body's blank line")
        << QList<QByteArray> { header + body.left(16), body.mid(16) };
}

void tst_WebShutOut::framingIndependentOfArrival()
{
    QFETCH(QList<QByteArray>, packets);
    WebTest::Server server;
    const WebTest::Answer answer = WebTest::exchange(server.port(), packets);
    QVERIFY(answer.closed);
    QCOMPARE(answer.bytes, QByteArray("ERROR"));
}

void tst_WebShutOut::linksServedOnlyInsideFolders_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("served");

    QTest::newRow("content to a file elsewhere")
        << "content/elsewhere" << QByteArray("/content/elsewhere") << "outside" << false;
    QTest::newRow("web to the users file")
        << "web/users-link" << QByteArray("/users-link") << "users" << false;
    QTest::newRow("components to a file elsewhere")
        << "widgets_components_lib/x.js" << QByteArray("/widgets_components_lib/x.js") << "outside" << false;
    QTest::newRow("content to a file of its own")
        << "content/alias" << QByteArray("/content/alias") << "content/real.txt" << true;
}

void tst_WebShutOut::linksServedOnlyInsideFolders()
{
    QFETCH(QString, link);
    QFETCH(QByteArray, path);
    QFETCH(QString, target);
    QFETCH(bool, served);
    const QString app = QCoreApplication::applicationDirPath();
    const QByteArray secret = "not for browsers";
    TestAppFolder::writeOwnFile(target, secret);
    QDir().mkpath(QFileInfo(app + QLatin1Char('/') + link).path());
    QFile::remove(app + QLatin1Char('/') + link);
    QVERIFY(QFile::link(app + QLatin1Char('/') + target, app + QLatin1Char('/') + link));

    WebTest::Server server;
    const QByteArray body = WebTest::parse(WebTest::get(server.port(), path).bytes).body;
    QCOMPARE(body, served ? secret : NOT_FOUND_PAGE);
}

void tst_WebShutOut::childHoldsNoServerSocket()
{
    WebTest::Server server;
    QVERIFY(server.server()->isListening());
    QProcess child;
    child.start(QStringLiteral("sleep"), { QStringLiteral("60") });
    QVERIFY(child.waitForStarted());
    QCOMPARE(socketsOf(child.processId()), QStringList());

    // Switched off and on while the child runs.
    server.server()->settingsLoaded();
    QVERIFY(server.server()->isListening());
    QCOMPARE(WebTest::parse(WebTest::get(server.port(), "/").bytes).body, INDEX_PAGE);
    child.kill();
    child.waitForFinished();
}

void tst_WebShutOut::operatorBehindProxyWhileGuessesWait()
{
    const QString nginx = QStandardPaths::findExecutable(
        QStringLiteral("nginx"), { QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin") });
    if (nginx.isEmpty())
        QSKIP("nginx is not installed");
    const int delayMs = 250;
    const int guessCount = 40;
    WebTest::Server server(false, delayMs);
    WebTest::Panel::addUser(QStringLiteral("ann"), QStringLiteral("pw"), {});

    QTemporaryDir dir;
    const quint16 proxyPort = freeServerPort();
    QFile config(dir.filePath(QStringLiteral("nginx.conf")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(
        QStringLiteral("daemon off;\nmaster_process off;\npid %1/nginx.pid;\nerror_log %1/error.log;\n"
                       "events { worker_connections 512; }\n"
                       "http {\n access_log off;\n client_body_temp_path %1/body;\n"
                       " proxy_temp_path %1/proxy;\n fastcgi_temp_path %1/fastcgi;\n"
                       " uwsgi_temp_path %1/uwsgi;\n scgi_temp_path %1/scgi;\n"
                       " server {\n  listen 127.0.0.1:%2;\n"
                       "  location / { proxy_pass http://127.0.0.1:%3; }\n }\n}\n")
            .arg(dir.path())
            .arg(proxyPort)
            .arg(server.port())
            .toUtf8());
    config.close();
    QProcess proxy;
    proxy.setProcessChannelMode(QProcess::ForwardedChannels);
    proxy.start(nginx,
        { QStringLiteral("-p"), dir.path(), QStringLiteral("-e"), dir.filePath(QStringLiteral("error.log")),
            QStringLiteral("-c"), config.fileName() });
    QVERIFY(proxy.waitForStarted());
    QVERIFY(QTest::qWaitFor(
        [&]() { return proxy.state() != QProcess::Running || WebTest::get(proxyPort, "/").closed; }, 10000));
    QCOMPARE(WebTest::parse(WebTest::get(proxyPort, "/").bytes).body, INDEX_PAGE);

    // Every browser behind the proxy has the proxy's address.
    const auto guesses
        = sendGuesses(proxyPort, guessCount, WebTest::postRequest("ann", R"({"password":"guess"})"));
    QTRY_VERIFY(std::all_of(
        guesses.begin(), guesses.end(), [](const auto& guess) { return guess->socket.bytesToWrite() == 0; }));
    // Every guess has reached the server: waiting there, or answered.
    QTRY_VERIFY(server.server()->activeConnections()
            + std::count_if(guesses.begin(), guesses.end(), [](const auto& guess) { return guess->closed; })
        >= guessCount);

    // The operator's browser asks again after a sign-in error, as it polls.
    QElapsedTimer clock;
    clock.start();
    QByteArray body;
    while (body != EMPTY_ANSWER && clock.elapsed() < 40 * delayMs) {
        body = WebTest::parse(WebTest::exchange(proxyPort,
                                  { WebTest::postRequest("ann", R"({"password":"pw"})") }, false, 0, 20000)
                                  .bytes)
                   .body;
    }
    QCOMPARE(body, EMPTY_ANSWER);
    QVERIFY2(clock.elapsed() < 8 * delayMs, QByteArray::number(clock.elapsed()));
    proxy.terminate();
    proxy.waitForFinished();
    qDeleteAll(XUsersList);
    XUsersList.clear();
}

QTEST_MAIN(tst_WebShutOut)
#include "tst_webshutout.moc"
