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
}

// The real program with few descriptors, flooded with connections: it keeps
// descriptors for itself, goes on serving and saves at the end.
class tst_WebDescriptorLimit : public QObject
{
    Q_OBJECT

private slots:
    void floodUnderLowLimit();
};

void tst_WebDescriptorLimit::floodUnderLowLimit()
{
    // The client end of the flood lives in this process.
    rlimit limit {};
    QVERIFY(getrlimit(RLIMIT_NOFILE, &limit) == 0);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    QVERIFY(limit.rlim_cur > rlim_t(FLOOD + 100));

    TestAppFolder folder;
    QVERIFY(folder.install());
    const quint16 port = freeServerPort();
    {
        QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("web_server/enabled"), true);
        settings.setValue(QStringLiteral("web_server/port"), port);
        settings.setValue(QStringLiteral("web_server/delay"), 0);
    }
    QVERIFY(folder.writeFile(QStringLiteral("users"), usersFile()));

    // Soft and hard limit both, so raising the soft one to the hard one
    // leaves it where it is.
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(folder.path());
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral("/bin/sh"),
        { QStringLiteral("-c"), QStringLiteral("ulimit -n %1 && exec \"$0\"").arg(DESCRIPTOR_LIMIT),
            folder.program() });
    QVERIFY(program.waitForStarted());
    QVERIFY(QTest::qWaitFor(
        [&]() { return program.state() != QProcess::Running || folder.mailboxValue() >= 0; }, START_TIMEOUT_MS));
    QVERIFY(program.state() == QProcess::Running);
    QVERIFY(QTest::qWaitFor([&]() { return !WebTest::get(port, "/").bytes.isEmpty(); }, START_TIMEOUT_MS));

    const QByteArray change
        = "{\"password\":\"pw\",\"USERS_DATA\":{\"settings\":{\"marker\":\"" + MARKER + "\"}}}";
    const WebTest::HttpAnswer changed
        = WebTest::parse(WebTest::exchange(port, { WebTest::postRequest("ann", change) }).bytes);
    QVERIFY2(changed.body.contains(MARKER), changed.body.constData());

    // The connections beyond what the descriptors allow are closed at once,
    // long before the request time-out would close them.
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

QTEST_MAIN(tst_WebDescriptorLimit)
#include "tst_webdescriptorlimit.moc"
