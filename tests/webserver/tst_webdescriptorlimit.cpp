#include "testappfolder.h"
#include "webtestclient.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTcpSocket>
#include <QtTest>

#include <memory>
#include <vector>

#include <sys/resource.h>

namespace {
const int DESCRIPTOR_LIMIT = 256;
const int FLOOD = 1000;
const int BATCH = 50;
const int START_TIMEOUT_MS = 15000;
const QByteArray MARKER = "saved despite the flood";

QByteArray usersFile()
{
    const QVariantMap user { { "userName", "ann" }, { "password", "pw" }, { "fullName", "Ann" },
        { "saveParametersWEB", true }, { "settings", QVariantMap { { "zoom", 1 } } } };
    return QJsonDocument(QJsonObject::fromVariantMap({ { "1", user } })).toJson();
}

// The program on its own folder under the low limit, serving at port.
bool startProgram(TestAppFolder* folder, QProcess* program, quint16 port)
{
    if (!folder->install())
        return false;
    {
        QSettings settings(folder->filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("web_server/enabled"), true);
        settings.setValue(QStringLiteral("web_server/port"), port);
        settings.setValue(QStringLiteral("web_server/delay"), 0);
    }
    if (!folder->writeFile(QStringLiteral("users"), usersFile()))
        return false;

    // Soft and hard limit both, so raising the soft one to the hard one
    // leaves it where it is.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program->setProcessEnvironment(environment);
    program->setWorkingDirectory(folder->path());
    program->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program->start(QStringLiteral("/bin/sh"),
        { QStringLiteral("-c"), QStringLiteral("ulimit -n %1 && exec \"$0\"").arg(DESCRIPTOR_LIMIT),
            folder->program() });
    if (!program->waitForStarted())
        return false;
    if (!QTest::qWaitFor(
            [&]() { return program->state() != QProcess::Running || folder->mailboxValue() >= 0; },
            START_TIMEOUT_MS))
        return false;
    return program->state() == QProcess::Running
        && QTest::qWaitFor([&]() { return !WebTest::get(port, "/").bytes.isEmpty(); }, START_TIMEOUT_MS);
}

}

// The real program with few descriptors, flooded with connections: it keeps
// descriptors for itself, goes on serving and saves at the end.
class tst_WebDescriptorLimit : public QObject
{
    Q_OBJECT

private slots:
    void floodUnderLowLimit();
    void idleFloodFromOneAddressLeavesRoom();
    void slowReadersUnderLowLimit();
};

void tst_WebDescriptorLimit::floodUnderLowLimit()
{
    QVERIFY(WebTest::raiseOwnDescriptorLimit() > rlim_t(FLOOD + 100));
    TestAppFolder folder;
    const quint16 port = freeServerPort();
    QProcess program;
    QVERIFY(startProgram(&folder, &program, port));

    const QByteArray change
        = "{\"password\":\"pw\",\"USERS_DATA\":{\"settings\":{\"marker\":\"" + MARKER + "\"}}}";
    const WebTest::HttpAnswer changed
        = WebTest::parse(WebTest::exchange(port, { WebTest::postRequest("ann", change) }).bytes);
    QVERIFY2(changed.body.contains(MARKER), changed.body.constData());

    // Beyond what the descriptors allow, connections are closed at once (the
    // oldest idle ones giving way to newcomers), long before the request
    // time-out would close them.
    std::vector<std::unique_ptr<QTcpSocket>> flood;
    int closedByServer = 0;
    const auto openFlood = [&]() {
        closedByServer = 0;
        for (int i = 0; i < FLOOD; ++i) {
            flood.push_back(std::make_unique<QTcpSocket>());
            QTcpSocket* socket = flood.back().get();
            connect(socket, &QAbstractSocket::disconnected, [&closedByServer]() { ++closedByServer; });
            socket->connectToHost(QHostAddress::LocalHost, port);
            if ((i + 1) % BATCH == 0) {
                const bool settled = QTest::qWaitFor(
                    [&]() {
                        return std::all_of(flood.end() - BATCH, flood.end(), [](const auto& s) {
                            return s->state() != QAbstractSocket::ConnectingState;
                        });
                    },
                    5000);
                if (!settled)
                    return false;
            }
        }
        return QTest::qWaitFor([&]() { return closedByServer > FLOOD / 2; }, 5000);
    };
    QVERIFY(openFlood());
    QVERIFY(program.state() == QProcess::Running);

    flood.clear();
    QVERIFY(QTest::qWaitFor(
        [&]() { return WebTest::parse(WebTest::get(port, "/").bytes).headerLines.value(0) == "HTTP/1.0 200 OK"; },
        START_TIMEOUT_MS));

    // Ended while every descriptor the connections may take is taken.
    QVERIFY(openFlood());
    QVERIFY(TestAppFolder::terminate(&program));
    const QJsonObject users = QJsonDocument::fromJson(folder.readFile(QStringLiteral("users"))).object();
    QCOMPARE(users.value("1").toObject().value("settings").toObject().value("marker").toString(),
        QString::fromUtf8(MARKER));
}

void tst_WebDescriptorLimit::idleFloodFromOneAddressLeavesRoom()
{
    const int idleCount = 2000;
    QVERIFY(WebTest::raiseOwnDescriptorLimit() > rlim_t(idleCount + 100));
    TestAppFolder folder;
    const quint16 port = freeServerPort();
    QProcess program;
    QVERIFY(startProgram(&folder, &program, port));

    // Far more idle peers than the descriptors allow, all from one address:
    // each newcomer takes the place of the oldest.
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < idleCount; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->connectToHost(QHostAddress::LocalHost, port);
        if ((i + 1) % BATCH == 0) {
            QVERIFY(QTest::qWaitFor(
                [&]() {
                    return std::all_of(idle.end() - BATCH, idle.end(),
                        [](const auto& s) { return s->state() != QAbstractSocket::ConnectingState; });
                },
                5000));
        }
    }
    const WebTest::Answer other = WebTest::exchange(
        port, { "GET / HTTP/1.0\r\n\r\n" }, false, 0, 5000, QHostAddress(QStringLiteral("127.0.0.2")));
    QCOMPARE(WebTest::parse(other.bytes).headerLines.value(0), QByteArray("HTTP/1.0 200 OK"));
    QVERIFY(program.state() == QProcess::Running);
    idle.clear();
    QVERIFY(TestAppFolder::terminate(&program));
}

void tst_WebDescriptorLimit::slowReadersUnderLowLimit()
{
    // A file sent in pieces keeps a descriptor open beside its connection's:
    // readers that never take their answers must still leave the program its
    // descriptors, to serve others and to save at the end.
    const int readers = 400;
    QVERIFY(WebTest::raiseOwnDescriptorLimit() > rlim_t(readers + 100));
    TestAppFolder folder;
    const quint16 port = freeServerPort();
    QProcess program;
    QVERIFY(startProgram(&folder, &program, port));
    QVERIFY(folder.writeFile(QStringLiteral("content/big.bin"), QByteArray(1024 * 1024, 'x')));
    const QByteArray change
        = "{\"password\":\"pw\",\"USERS_DATA\":{\"settings\":{\"marker\":\"" + MARKER + "\"}}}";
    QVERIFY(WebTest::parse(WebTest::exchange(port, { WebTest::postRequest("ann", change) }).bytes)
                .body.contains(MARKER));

    std::vector<std::unique_ptr<WebTest::RawClient>> peers;
    for (int i = 0; i < readers; ++i) {
        peers.push_back(std::make_unique<WebTest::RawClient>(port, 4096));
        QVERIFY(peers.back()->send("GET /content/big.bin HTTP/1.0\r\n\r\n"));
    }
    QVERIFY(QTest::qWaitFor(
        [&]() {
            return WebTest::parse(WebTest::exchange(port, { "GET / HTTP/1.0\r\n\r\n" }, false, 0, 5000,
                                      QHostAddress(QStringLiteral("127.0.0.2")))
                                      .bytes)
                       .headerLines.value(0)
                == "HTTP/1.0 200 OK";
        },
        START_TIMEOUT_MS));
    QVERIFY(program.state() == QProcess::Running);

    // Ended while the readers still hold what they may.
    QVERIFY(TestAppFolder::terminate(&program));
    peers.clear();
    const QJsonObject users = QJsonDocument::fromJson(folder.readFile(QStringLiteral("users"))).object();
    QCOMPARE(users.value("1").toObject().value("settings").toObject().value("marker").toString(),
        QString::fromUtf8(MARKER));
}

QTEST_MAIN(tst_WebDescriptorLimit)
#include "tst_webdescriptorlimit.moc"
