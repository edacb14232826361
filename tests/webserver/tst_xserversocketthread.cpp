#include "testappfolder.h"
#include "useritem.h"
#include "webtestclient.h"
#include "xwidgetsglobals.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeDatabase>
#include <QProcess>
#include <QtTest>

#include <sys/stat.h>

namespace {
const int SIGN_IN_DELAY_MS = 300;
const int MAX_REQUEST_SIZE = 1024 * 1024;
const int MAX_HEADER_SIZE = 32 * 1024;
const int REQUEST_TIMEOUT_MS = 10000;

const QByteArray INDEX_PAGE = "<html><body>index</body></html>";
const QByteArray NOT_FOUND_PAGE = "<html><body>not found page</body></html>";
const QByteArray SCRIPT = "var x = 1;\n";
const QByteArray SECRET = "secret outside the served folders";
const QByteArray EMPTY_ANSWER = "{\n}\n";
}

// One connection thread per request, driven through a real server and real
// sockets; the application folder is this test's own folder.
class tst_XServerSocketThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void get_data();
    void get();
    void traversal_data();
    void traversal();
    void requestInPieces_data();
    void requestInPieces();
    void sizeLimit_data();
    void sizeLimit();
    void timeLimit();
    void signIn_data();
    void signIn();
    void signInRecordsLastRequest();
    void tls_data();
    void tls();

private:
    static void removeAppFolder(const QString& name)
    {
        const QFileInfo info(TestAppFolder::ownFilePath(name));
        if (info.isSymLink())
            QFile::remove(info.filePath());
        else if (info.isDir())
            QDir(info.filePath()).removeRecursively();
    }
    static UserItem* addUser(const QString& userName, const QString& password)
    {
        auto* user = new UserItem;
        user->userName = userName;
        user->password = password;
        XUsersList.append(user);
        return user;
    }

    QByteArray m_png;
    bool m_tlsReady = false;
};

void tst_XServerSocketThread::initTestCase()
{
    TestAppFolder::cleanOwnFolder();
    for (const char* folder : { "web", "Content", "widgets_components_lib" })
        removeAppFolder(QLatin1String(folder));

    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer buffer(&m_png);
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QVERIFY(image.save(&buffer, "PNG"));

    TestAppFolder::writeOwnFile(QStringLiteral("web/index.html"), INDEX_PAGE);
    TestAppFolder::writeOwnFile(QStringLiteral("web/404.html"), NOT_FOUND_PAGE);
    TestAppFolder::writeOwnFile(QStringLiteral("web/sub/page.txt"), SCRIPT);
    TestAppFolder::writeOwnFile(QStringLiteral("Content/a.png"), m_png);
    TestAppFolder::writeOwnFile(QStringLiteral("content/b.txt"), SCRIPT);
    TestAppFolder::writeOwnFile(QStringLiteral("widgets_components_lib/x.js"), SCRIPT);
    TestAppFolder::writeOwnFile(QStringLiteral("settings.ini"), SECRET);
    TestAppFolder::writeOwnFile(QStringLiteral("users"), SECRET);
    // Opened for reading, a named pipe waits for a writer that never comes.
    QCOMPARE(
        ::mkfifo(
            QFile::encodeName(TestAppFolder::ownFilePath(QStringLiteral("content/pipe"))).constData(), 0600),
        0);
    QVERIFY(QDir().mkpath(TestAppFolder::ownFilePath(QStringLiteral("content/folder"))));

    QVERIFY(QDir().mkpath(TestAppFolder::ownFilePath(QStringLiteral("ssl"))));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
        { QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
            QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
            QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
            QStringLiteral("-keyout"), TestAppFolder::ownFilePath(QStringLiteral("ssl/key.key")),
            QStringLiteral("-out"), TestAppFolder::ownFilePath(QStringLiteral("ssl/key.pem")) });
    m_tlsReady = openssl.waitForFinished(60000) && openssl.exitCode() == 0 && QSslSocket::supportsSsl();

    addUser(QStringLiteral("ann"), QStringLiteral("secret"));
    addUser(QStringLiteral("bob"), QStringLiteral("one"));
    addUser(QStringLiteral("bob"), QStringLiteral("two"));
    addUser(QStringLiteral("ann smith"), QStringLiteral("x"));
}

void tst_XServerSocketThread::cleanupTestCase()
{
    qDeleteAll(XUsersList);
    XUsersList.clear();
}

void tst_XServerSocketThread::get_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<bool>("without404Page");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");

    const QByteArray js
        = QMimeDatabase()
              .mimeTypeForFile(TestAppFolder::ownFilePath(QStringLiteral("widgets_components_lib/x.js")))
              .name()
              .toUtf8();
    QTest::newRow("root serves the index")
        << QByteArray("GET / HTTP/1.0\r\n\r\n") << false << 200 << QByteArray("text/html") << INDEX_PAGE;
    QTest::newRow("leading parents are dropped") << QByteArray("GET /../../index.html HTTP/1.0\r\n\r\n")
                                                 << false << 200 << QByteArray("text/html") << INDEX_PAGE;
    QTest::newRow("content prefix in any case") << QByteArray("GET /Content/a.png HTTP/1.0\r\n\r\n") << false
                                                << 200 << QByteArray("image/png") << m_png;
    QTest::newRow("component library file")
        << QByteArray("GET /widgets_components_lib/x.js HTTP/1.0\r\n\r\n") << false << 200 << js << SCRIPT;
    QTest::newRow("file in a subfolder of web") << QByteArray("GET /sub/page.txt HTTP/1.0\r\n\r\n") << false
                                                << 200 << QByteArray("text/plain") << SCRIPT;
    QTest::newRow("missing file gets the 404 page")
        << QByteArray("GET /nothing.html HTTP/1.0\r\n\r\n") << false << 200 << QByteArray("text/html")
        << NOT_FOUND_PAGE;
    QTest::newRow("missing file without a 404 page")
        << QByteArray("GET /nothing.html HTTP/1.0\r\n\r\n") << true << 404 << QByteArray("text/plain")
        << QByteArray("<h1>404 - Not Found</h1>");
    QTest::newRow("query part is part of the name")
        << QByteArray("GET /index.html?x=1 HTTP/1.0\r\n\r\n") << false << 200 << QByteArray("text/html")
        << NOT_FOUND_PAGE;
    QTest::newRow("percent-encoded letter") << QByteArray("GET /%69ndex.html HTTP/1.0\r\n\r\n") << false
                                            << 200 << QByteArray("text/html") << INDEX_PAGE;
    QTest::newRow("encoded blank cuts the path") << QByteArray("GET /index.html%20extra HTTP/1.0\r\n\r\n")
                                                 << false << 200 << QByteArray("text/html") << INDEX_PAGE;
    QTest::newRow("lower-case get") << QByteArray("get / HTTP/1.0\r\n\r\n") << false << 200
                                    << QByteArray("text/html") << INDEX_PAGE;
    // Only plain files are served; what else a served folder holds is not found.
    QTest::newRow("named pipe") << QByteArray("GET /content/pipe HTTP/1.0\r\n\r\n") << false << 404
                                << QByteArray("text/plain") << QByteArray("<h1>404 - Not Found</h1>");
    QTest::newRow("folder") << QByteArray("GET /content/folder HTTP/1.0\r\n\r\n") << false << 404
                            << QByteArray("text/plain") << QByteArray("<h1>404 - Not Found</h1>");
    QTest::newRow("DELETE gets no answer")
        << QByteArray("DELETE /index.html HTTP/1.0\r\n\r\n") << false << 0 << QByteArray() << QByteArray();
    QTest::newRow("PUT gets no answer")
        << QByteArray("PUT /index.html HTTP/1.0\r\nContent-Length: 2\r\n\r\nab") << false << 0 << QByteArray()
        << QByteArray();
}

void tst_XServerSocketThread::get()
{
    QFETCH(QByteArray, request);
    QFETCH(bool, without404Page);
    QFETCH(int, status);
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);

    const QString page = TestAppFolder::ownFilePath(QStringLiteral("web/404.html"));
    if (without404Page)
        QVERIFY(QFile::rename(page, page + QStringLiteral(".away")));
    WebTest::Server server;
    QVERIFY(server.server()->isListening());
    const WebTest::Answer answer = WebTest::exchange(server.port(), { request });
    if (without404Page)
        QVERIFY(QFile::rename(page + QStringLiteral(".away"), page));

    QVERIFY(answer.closed);
    QVERIFY2(answer.elapsedMs < 2000, QByteArray::number(answer.elapsedMs));
    if (status == 0) {
        QCOMPARE(answer.bytes, QByteArray());
        return;
    }
    const WebTest::HttpAnswer http = WebTest::parse(answer.bytes);
    QCOMPARE(http.headerLines, WebTest::headerLines(status, contentType, body.size()));
    QCOMPARE(http.body, body);
}

void tst_XServerSocketThread::traversal_data()
{
    QTest::addColumn<QByteArray>("path");

    // Every row would reach a file outside the served folders if taken as it
    // stands; the folders it passes through exist.
    const QByteArray appFolder = QDir(QCoreApplication::applicationDirPath()).dirName().toUtf8();
    QTest::newRow("content up to the app folder") << QByteArray("/content/../settings.ini");
    QTest::newRow("content up two levels and back") << "/content/../../" + appFolder + "/settings.ini";
    QTest::newRow("encoded dots") << QByteArray("/%2e%2e/content/%2e%2e/settings.ini");
    QTest::newRow("web subfolder up two levels") << QByteArray("/sub/../../users");
    QTest::newRow("encoded slash after the library prefix")
        << QByteArray("/widgets_components_lib/..%2fusers");
    QTest::newRow("dot segment before the parent") << QByteArray("/Content/./../users");
}

void tst_XServerSocketThread::traversal()
{
    QFETCH(QByteArray, path);
    WebTest::Server server;
    const WebTest::Answer answer = WebTest::get(server.port(), path);
    QVERIFY(!answer.bytes.contains(SECRET));
    QCOMPARE(WebTest::parse(answer.bytes).body, NOT_FOUND_PAGE);
}

void tst_XServerSocketThread::requestInPieces_data()
{
    QTest::addColumn<QList<QByteArray>>("packets");
    QTest::addColumn<QByteArray>("body");

    const QByteArray post = WebTest::postRequest("ann", R"({"password":"secret"})");
    const int bodyStart = post.indexOf("\r\n\r\n") + 4;
    QTest::newRow("request line split in two")
        << QList<QByteArray> { "GET /sub/pa", "ge.txt HTTP/1.0\r\n\r\n" } << SCRIPT;
    QTest::newRow("body in a second packet")
        << QList<QByteArray> { post.left(bodyStart), post.mid(bodyStart) } << EMPTY_ANSWER;
    QTest::newRow("body in three packets")
        << QList<QByteArray> { post.left(bodyStart), post.mid(bodyStart, 5), post.mid(bodyStart + 5) }
        << EMPTY_ANSWER;
}

void tst_XServerSocketThread::requestInPieces()
{
    QFETCH(QList<QByteArray>, packets);
    QFETCH(QByteArray, body);
    WebTest::Server server(false, SIGN_IN_DELAY_MS);
    const WebTest::Answer answer = WebTest::exchange(server.port(), packets);
    QVERIFY(answer.closed);
    QCOMPARE(WebTest::parse(answer.bytes).body, body);
}

void tst_XServerSocketThread::sizeLimit_data()
{
    QTest::addColumn<QByteArray>("request");
    // The answer's status line, or nothing when the connection is closed unanswered.
    QTest::addColumn<QByteArray>("statusLine");
    QTest::addColumn<QByteArray>("body");

    const QByteArray head = "GET /index.html HTTP/1.0\r\nX-Pad: ";
    const QByteArray tail = "\r\n\r\n";
    const int padding = MAX_HEADER_SIZE - head.size() - tail.size();
    const QByteArray tooLarge = "HTTP/1.0 431 Request Header Fields Too Large";
    QTest::newRow("headers of exactly the limit")
        << head + QByteArray(padding, 'a') + tail << QByteArray("HTTP/1.0 200 OK") << INDEX_PAGE;
    QTest::newRow("headers one byte over the limit")
        << head + QByteArray(padding + 1, 'a') + tail << tooLarge << QByteArray();
    QTest::newRow("headers that never end")
        << head + QByteArray(2 * MAX_REQUEST_SIZE, 'a') << tooLarge << QByteArray();
    QTest::newRow("request line over the limit") << "GET /" + QByteArray(MAX_HEADER_SIZE, 'a')
            + " HTTP/1.0\r\n\r\n" << tooLarge << QByteArray();

    // The body may take the request up to its own limit.
    const QByteArray body = R"({"password":"secret","pad":")";
    const QByteArray bodyEnd = R"("})";
    // The announced length has as many digits as the padded body's.
    const int bodyPadding = MAX_REQUEST_SIZE - WebTest::postRequest("ann", body + bodyEnd).size()
        - (QByteArray::number(MAX_REQUEST_SIZE).size() - QByteArray::number((body + bodyEnd).size()).size());
    QTest::newRow("request of exactly the limit")
        << WebTest::postRequest("ann", body + QByteArray(bodyPadding, 'a') + bodyEnd)
        << QByteArray("HTTP/1.0 200 OK") << EMPTY_ANSWER;
    QTest::newRow("request one byte over the limit")
        << WebTest::postRequest("ann", body + QByteArray(bodyPadding + 1, 'a') + bodyEnd) << QByteArray()
        << QByteArray();
    QTest::newRow("announced body over the limit")
        << QByteArray("POST /ann HTTP/1.0\r\nContent-Length: 2000000\r\n\r\n{") << QByteArray()
        << QByteArray();
}

void tst_XServerSocketThread::sizeLimit()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, statusLine);
    QFETCH(QByteArray, body);
    WebTest::Server server;
    const WebTest::Answer answer = WebTest::exchange(server.port(), { request });
    QVERIFY(answer.closed);
    // Well before the time-out: the size alone decides.
    QVERIFY2(answer.elapsedMs < REQUEST_TIMEOUT_MS / 2, QByteArray::number(answer.elapsedMs));
    if (statusLine.isEmpty()) {
        QCOMPARE(answer.bytes, QByteArray());
        return;
    }
    const WebTest::HttpAnswer http = WebTest::parse(answer.bytes);
    QCOMPARE(http.headerLines.value(0), statusLine);
    if (!body.isEmpty())
        QCOMPARE(http.body, body);
}

void tst_XServerSocketThread::timeLimit()
{
    WebTest::Server server;
    QElapsedTimer clock;
    clock.start();

    // Silent, incomplete for ever, and completed half-way through the limit.
    QTcpSocket sockets[3];
    qint64 closedAt[3] = { -1, -1, -1 };
    QByteArray received[3];
    for (int i = 0; i < 3; ++i) {
        connect(&sockets[i], &QIODevice::readyRead, [&, i]() { received[i] += sockets[i].readAll(); });
        connect(&sockets[i], &QAbstractSocket::disconnected, [&, i]() { closedAt[i] = clock.elapsed(); });
        sockets[i].connectToHost(QHostAddress::LocalHost, server.port());
    }
    QTRY_VERIFY(sockets[2].state() == QAbstractSocket::ConnectedState);
    QTRY_VERIFY(sockets[1].state() == QAbstractSocket::ConnectedState);
    sockets[1].write("GET / HTTP/1.0\r\n");
    sockets[2].write("GET / HTTP/1.0\r\n");
    QTest::qWait(REQUEST_TIMEOUT_MS / 2);
    sockets[2].write("\r\n");

    QVERIFY(QTest::qWaitFor([&]() { return closedAt[0] >= 0 && closedAt[1] >= 0 && closedAt[2] >= 0; },
        REQUEST_TIMEOUT_MS + 5000));
    for (int i = 0; i < 2; ++i) {
        QVERIFY2(closedAt[i] >= REQUEST_TIMEOUT_MS - 500, QByteArray::number(closedAt[i]));
        QCOMPARE(received[i], QByteArray());
    }
    QVERIFY(closedAt[2] < REQUEST_TIMEOUT_MS);
    QCOMPARE(WebTest::parse(received[2]).body, INDEX_PAGE);
}

void tst_XServerSocketThread::signIn_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("right password") << WebTest::postRequest("ann", R"({"password":"secret"})")
                                    << EMPTY_ANSWER;
    QTest::newRow("lower-case post") << WebTest::postRequest("ann", R"({"password":"secret"})", "post")
                                     << EMPTY_ANSWER;
    QTest::newRow("percent-encoded password")
        << WebTest::postRequest("ann", R"({"password":"%73ecret"})") << EMPTY_ANSWER;
    QTest::newRow("wrong password") << WebTest::postRequest("ann", R"({"password":"guess"})")
                                    << QByteArray("SIGN_IN_ERROR");
    QTest::newRow("unknown user") << WebTest::postRequest("nobody", R"({"password":"secret"})")
                                  << QByteArray("SIGN_IN_ERROR");
    QTest::newRow("first user of the name decides")
        << WebTest::postRequest("bob", R"({"password":"two"})") << QByteArray("SIGN_IN_ERROR");
    QTest::newRow("user name is case-sensitive")
        << WebTest::postRequest("Ann", R"({"password":"secret"})") << QByteArray("SIGN_IN_ERROR");
    QTest::newRow("encoded blank cuts the user name")
        << WebTest::postRequest("ann%20smith", R"({"password":"x"})") << QByteArray("SIGN_IN_ERROR");
    QTest::newRow("multi-line JSON body")
        << WebTest::postRequest("ann", "{\n\"password\": \"secret\"\n}") << QByteArray("ERROR");
    QTest::newRow("body is no JSON") << WebTest::postRequest("ann", "password=secret") << QByteArray("ERROR");
    QTest::newRow("body is a JSON array")
        << WebTest::postRequest("ann", R"(["secret"])") << QByteArray("ERROR");
    QTest::newRow("no password") << WebTest::postRequest("ann", R"({"GROUPS":1})") << QByteArray("ERROR");
    QTest::newRow("empty password") << WebTest::postRequest("ann", R"({"password":""})")
                                    << QByteArray("ERROR");
}

void tst_XServerSocketThread::signIn()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, expected);
    WebTest::Server server(false, SIGN_IN_DELAY_MS);
    const WebTest::Answer answer = WebTest::exchange(server.port(), { request });
    QVERIFY(answer.closed);
    if (expected == EMPTY_ANSWER) {
        const WebTest::HttpAnswer http = WebTest::parse(answer.bytes);
        QCOMPARE(http.headerLines, WebTest::headerLines(200, "text/plain", expected.size()));
        QCOMPARE(http.body, expected);
    } else {
        // Bare bytes, no status line, and only after the delay.
        QCOMPARE(answer.bytes, expected);
        QVERIFY2(answer.elapsedMs >= SIGN_IN_DELAY_MS, QByteArray::number(answer.elapsedMs));
    }
}

void tst_XServerSocketThread::signInRecordsLastRequest()
{
    UserItem* ann = XUsersList.first();
    UserItem* bob = XUsersList.at(1);
    ann->lastWebRequest = {};
    bob->lastWebRequest = {};
    WebTest::Server server;
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);

    WebTest::exchange(server.port(), { WebTest::postRequest("ann", R"({"password":"secret"})") });
    WebTest::exchange(server.port(), { WebTest::postRequest("bob", R"({"password":"wrong"})") });

    QVERIFY(ann->lastWebRequest.dateTime >= before);
    QVERIFY(ann->lastWebRequest.dateTime <= QDateTime::currentDateTime());
    QVERIFY2(ann->lastWebRequest.address.endsWith(QLatin1String("127.0.0.1")),
        qPrintable(ann->lastWebRequest.address));
    QVERIFY(bob->lastWebRequest.dateTime.isNull());
    QVERIFY(bob->lastWebRequest.address.isEmpty());
}

void tst_XServerSocketThread::tls_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<bool>("halfClose");
    QTest::newRow("root") << QByteArray("GET / HTTP/1.0\r\n\r\n") << false;
    QTest::newRow("content file") << QByteArray("GET /content/a.png HTTP/1.0\r\n\r\n") << false;
    QTest::newRow("missing file") << QByteArray("GET /nothing HTTP/1.0\r\n\r\n") << false;
    QTest::newRow("sign-in") << WebTest::postRequest("ann", R"({"password":"secret"})") << false;
    QTest::newRow("wrong password") << WebTest::postRequest("ann", R"({"password":"guess"})") << false;
    // Answered in the GUI thread, well after the peer has closed its side.
    QTest::newRow("sign-in, then half-closed")
        << WebTest::postRequest("ann", R"({"password":"secret"})") << true;
    QTest::newRow("file, then half-closed") << QByteArray("GET /content/a.png HTTP/1.0\r\n\r\n") << true;
}

void tst_XServerSocketThread::tls()
{
    if (!m_tlsReady)
        QSKIP("no openssl program or no TLS back end");
    QFETCH(QByteArray, request);
    QFETCH(bool, halfClose);
    WebTest::Server plain;
    WebTest::Server secure(true);
    const WebTest::Answer expected
        = WebTest::exchange(plain.port(), { request }, false, 0, 5000, QHostAddress(), halfClose);
    const WebTest::Answer answer
        = WebTest::exchange(secure.port(), { request }, true, 0, 5000, QHostAddress(), halfClose);
    QCOMPARE(answer.protocol, QSsl::TlsV1_2);
    QVERIFY(answer.closed);
    QVERIFY(!expected.bytes.isEmpty());
    QCOMPARE(answer.bytes, expected.bytes);
}

QTEST_MAIN(tst_XServerSocketThread)
#include "tst_xserversocketthread.moc"
