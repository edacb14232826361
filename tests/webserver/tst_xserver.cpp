#include "applicationdata.h"
#include "mainwindow.h"
#include "testappfolder.h"
#include "webtestclient.h"
#include "xserverwidget.h"

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <QtTest>

#include <cerrno>
#include <memory>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
const int MAX_CONNECTIONS = 500;
}

// The server's settings, its box and its listening state, and the limit on
// connections served at once.
class tst_XServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void settingsLoad_data();
    void settingsLoad();
    void settingsSave();
    void box();
    void boxLoadAndSave();
    void state_data();
    void state();
    void saveReopens();
    void portHeldByAnotherServer();
    void portNotShared_data();
    void portNotShared();
    void connectionLimit();
    void mainWindowMakesServer();

private:
    struct Fixture
    {
        QTemporaryDir dir;
        QSettings settings { dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat };
        XServerSettings record { &settings };
    };
};

void tst_XServer::initTestCase()
{
    TestAppFolder::cleanOwnFolder();
    QVERIFY(QDir().mkpath(QCoreApplication::applicationDirPath() + QStringLiteral("/web")));
    QFile index(QCoreApplication::applicationDirPath() + QStringLiteral("/web/index.html"));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("index");
}

void tst_XServer::settingsLoad_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("delay");
    QTest::addColumn<bool>("secure");

    QTest::newRow("no keys give the defaults") << QVariantMap() << false << 80 << 1000 << false;
    QTest::newRow("every key") << QVariantMap { { "enabled", true }, { "port", 8080 }, { "delay", 250 },
        { "secureConnection", true } }
                               << true << 8080 << 250 << true;
    QTest::newRow("texts as the file holds them") << QVariantMap { { "enabled", "true" }, { "port", "81" },
        { "delay", "0" }, { "secureConnection", "false" } }
                                                  << true << 81 << 0 << false;
    // A port that is no number from 1 to 65535 counts as absent; 0 would let
    // the system pick one.
    QTest::newRow("port no number") << QVariantMap { { "port", "abc" } } << false << 80 << 1000 << false;
    QTest::newRow("port 0") << QVariantMap { { "port", "0" } } << false << 80 << 1000 << false;
    QTest::newRow("port negative") << QVariantMap { { "port", "-8080" } } << false << 80 << 1000 << false;
    QTest::newRow("port above 65535") << QVariantMap { { "port", "65536" } } << false << 80 << 1000 << false;
    QTest::newRow("port with a fraction") << QVariantMap { { "port", "8080.5" } } << false << 80 << 1000 << false;
    QTest::newRow("port 1") << QVariantMap { { "port", "1" } } << false << 1 << 1000 << false;
    QTest::newRow("port 65535") << QVariantMap { { "port", "65535" } } << false << 65535 << 1000 << false;
    // A delay outside the box's range, or no number, counts as absent: read
    // as it stands it would mean no delay at all, or one of a day.
    QTest::newRow("delay no number") << QVariantMap { { "delay", "abc" } } << false << 80 << 1000 << false;
    QTest::newRow("delay negative") << QVariantMap { { "delay", "-5" } } << false << 80 << 1000 << false;
    QTest::newRow("delay far negative")
        << QVariantMap { { "delay", "-100000" } } << false << 80 << 1000 << false;
    QTest::newRow("delay past 32 bits")
        << QVariantMap { { "delay", "2147483648" } } << false << 80 << 1000 << false;
    QTest::newRow("delay above 60000")
        << QVariantMap { { "delay", "99999999" } } << false << 80 << 1000 << false;
    QTest::newRow("delay 60000") << QVariantMap { { "delay", "60000" } } << false << 80 << 60000 << false;
}

void tst_XServer::settingsLoad()
{
    QFETCH(QVariantMap, stored);
    Fixture fixture;
    QCOMPARE(fixture.record.delay, 500);
    QCOMPARE(fixture.record.port, 80);
    fixture.settings.beginGroup(QStringLiteral("web_server"));
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        fixture.settings.setValue(it.key(), it.value());
    fixture.settings.endGroup();

    fixture.record.load();
    QTEST(fixture.record.enabled, "enabled");
    QTEST(fixture.record.port, "port");
    QTEST(fixture.record.delay, "delay");
    QTEST(fixture.record.secureConnection, "secure");
}

void tst_XServer::settingsSave()
{
    Fixture fixture;
    fixture.record.enabled = true;
    fixture.record.port = 8443;
    fixture.record.delay = 0;
    fixture.record.secureConnection = true;
    fixture.record.save();
    fixture.settings.sync();

    QSettings reread(fixture.dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    reread.beginGroup(QStringLiteral("web_server"));
    QCOMPARE(reread.childKeys().size(), 4);
    QCOMPARE(reread.value(QStringLiteral("enabled")).toBool(), true);
    QCOMPARE(reread.value(QStringLiteral("port")).toInt(), 8443);
    QCOMPARE(reread.value(QStringLiteral("delay")).toInt(), 0);
    QCOMPARE(reread.value(QStringLiteral("secureConnection")).toBool(), true);
}

void tst_XServer::box()
{
    Fixture fixture;
    XServerWidget box(&fixture.record);
    QCOMPARE(box.title(), QStringLiteral("WEB server"));
    QVERIFY(box.isCheckable());

    auto* port = box.findChild<QSpinBox*>(QStringLiteral("portSpinBox"));
    auto* delay = box.findChild<QSpinBox*>(QStringLiteral("delaySpinBox"));
    auto* secure = box.findChild<QCheckBox*>(QStringLiteral("secureCheckBox"));
    QVERIFY(port && delay && secure);
    QCOMPARE(port->minimum(), 1);
    QCOMPARE(port->maximum(), 65534);
    QCOMPARE(delay->minimum(), 0);
    QCOMPARE(delay->maximum(), 60000);
    QCOMPARE(delay->suffix(), QStringLiteral(" ms"));
    QCOMPARE(secure->text(),
        QSslSocket::supportsSsl()
            ? QStringLiteral("Secure connection")
            : QStringLiteral("Secure connection (need install SSL, otherwise it will not work)"));
    QStringList labels;
    for (QLabel* label : box.findChildren<QLabel*>())
        labels << label->text();
    QCOMPARE(labels,
        QStringList({ QStringLiteral("Port"), QStringLiteral("Delay due to incorrect login / password"),
            QStringLiteral("State: "), QString() }));
}

void tst_XServer::boxLoadAndSave()
{
    Fixture fixture;
    fixture.settings.setValue(QStringLiteral("web_server/enabled"), true);
    fixture.settings.setValue(QStringLiteral("web_server/port"), 8181);
    XServerWidget box(&fixture.record);
    QSignalSpy loaded(&box, &XServerWidget::settingsLoaded);

    box.loadSettings();
    QCOMPARE(loaded.count(), 1);
    auto* port = box.findChild<QSpinBox*>(QStringLiteral("portSpinBox"));
    auto* delay = box.findChild<QSpinBox*>(QStringLiteral("delaySpinBox"));
    auto* secure = box.findChild<QCheckBox*>(QStringLiteral("secureCheckBox"));
    QVERIFY(box.isChecked());
    QCOMPARE(port->value(), 8181);
    QCOMPARE(delay->value(), 1000);
    QVERIFY(!secure->isChecked());

    box.setChecked(false);
    port->setValue(9191);
    delay->setValue(20);
    secure->setChecked(true);
    box.saveSettings();
    QCOMPARE(loaded.count(), 2);
    QCOMPARE(fixture.settings.value(QStringLiteral("web_server/enabled")).toBool(), false);
    QCOMPARE(fixture.settings.value(QStringLiteral("web_server/port")).toInt(), 9191);
    QCOMPARE(fixture.settings.value(QStringLiteral("web_server/delay")).toInt(), 20);
    QCOMPARE(fixture.settings.value(QStringLiteral("web_server/secureConnection")).toBool(), true);
    QCOMPARE(fixture.record.port, 9191);
}

void tst_XServer::state_data()
{
    QTest::addColumn<QString>("enabled");
    QTest::addColumn<bool>("portTaken");
    QTest::addColumn<bool>("listening");
    QTest::addColumn<QString>("stateStart");

    QTest::newRow("enabled absent") << QString() << false << false << QStringLiteral("Closed");
    QTest::newRow("switched off") << QStringLiteral("false") << false << false << QStringLiteral("Closed");
    QTest::newRow("switched on") << QStringLiteral("true") << false << true << QStringLiteral("Listening");
    QTest::newRow("port taken") << QStringLiteral("true") << true << false << QStringLiteral("Error. ");
}

void tst_XServer::state()
{
    QFETCH(QString, enabled);
    QFETCH(bool, portTaken);
    QFETCH(bool, listening);
    QFETCH(QString, stateStart);

    Fixture fixture;
    QTcpServer occupant;
    if (portTaken)
        QVERIFY(occupant.listen(QHostAddress::Any, 0));
    const quint16 port = portTaken ? occupant.serverPort() : freeServerPort();
    if (!enabled.isNull())
        fixture.settings.setValue(QStringLiteral("web_server/enabled"), enabled);
    fixture.settings.setValue(QStringLiteral("web_server/port"), port);

    XServer server(&fixture.record);
    QVERIFY(!server.isListening());
    QCOMPARE(server.widget()->stateText(), QString());

    server.widget()->loadSettings();
    QCOMPARE(server.isListening(), listening);
    QVERIFY2(server.widget()->stateText().startsWith(stateStart), qPrintable(server.widget()->stateText()));
    if (portTaken)
        QVERIFY(server.widget()->stateText().size() > stateStart.size());
    if (listening)
        QCOMPARE(WebTest::parse(WebTest::get(port, "/").bytes).body, QByteArray("index"));
}

void tst_XServer::saveReopens()
{
    Fixture fixture;
    fixture.settings.setValue(QStringLiteral("web_server/enabled"), true);
    fixture.settings.setValue(QStringLiteral("web_server/port"), freeServerPort());
    XServer server(&fixture.record);
    server.widget()->loadSettings();
    QVERIFY(server.isListening());

    // A connection accepted before the save is served after it.
    QTcpSocket early;
    early.connectToHost(QHostAddress::LocalHost, server.serverPort());
    QTRY_COMPARE(server.activeConnections(), 1);
    server.widget()->saveSettings();
    QVERIFY(server.isListening());
    QCOMPARE(server.widget()->stateText(), QStringLiteral("Listening"));
    early.write("GET / HTTP/1.0\r\n\r\n");
    QTRY_VERIFY(early.state() == QAbstractSocket::UnconnectedState);
    QCOMPARE(WebTest::parse(early.readAll()).body, QByteArray("index"));

    server.widget()->setChecked(false);
    server.widget()->saveSettings();
    QVERIFY(!server.isListening());
    QCOMPARE(server.widget()->stateText(), QStringLiteral("Closed"));
}

void tst_XServer::portHeldByAnotherServer()
{
    // The server's listeners share their port among themselves: another
    // server, of this program or another instance, must still be refused it.
    const quint16 port = freeServerPort();
    Fixture first;
    first.settings.setValue(QStringLiteral("web_server/enabled"), true);
    first.settings.setValue(QStringLiteral("web_server/port"), port);
    XServer holder(&first.record);
    holder.widget()->loadSettings();
    QVERIFY(holder.isListening());

    Fixture second;
    second.settings.setValue(QStringLiteral("web_server/enabled"), true);
    second.settings.setValue(QStringLiteral("web_server/port"), port);
    XServer latecomer(&second.record);
    latecomer.widget()->loadSettings();
    QVERIFY(!latecomer.isListening());
    QCOMPARE(latecomer.widget()->stateText(), QStringLiteral("Error. The bound address is already in use"));

    // Every newcomer reaches the holder: nothing of the latecomer listens.
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < 20; ++i) {
        clients.push_back(std::make_unique<QTcpSocket>());
        clients.back()->connectToHost(QHostAddress::LocalHost, port);
    }
    QTRY_COMPARE(holder.activeConnections(), 20);
    QCOMPARE(latecomer.activeConnections(), 0);
    clients.clear();

    holder.widget()->setChecked(false);
    holder.widget()->saveSettings();
    QVERIFY(!holder.isListening());
    latecomer.widget()->loadSettings();
    QVERIFY(latecomer.isListening());
    QCOMPARE(WebTest::parse(WebTest::get(port, "/").bytes).body, QByteArray("index"));
}

void tst_XServer::portNotShared_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("every IPv4 address") << QStringLiteral("0.0.0.0");
    QTest::newRow("IPv4 loopback") << QStringLiteral("127.0.0.1");
    QTest::newRow("every IPv6 address") << QStringLiteral("::");
}

void tst_XServer::portNotShared()
{
    // A program of the same user that asks the kernel to share the port
    // (SO_REUSEPORT) would be handed newcomers, and their passwords, beside
    // the server: it is refused on every address the server listens on.
    QFETCH(QString, address);
    WebTest::Server server;
    QVERIFY(server.server()->isListening());

    const QHostAddress host(address);
    const bool inet6 = host.protocol() == QAbstractSocket::IPv6Protocol;
    const int descriptor = ::socket(inet6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QVERIFY(descriptor >= 0);
    const int on = 1;
    QCOMPARE(::setsockopt(descriptor, SOL_SOCKET, SO_REUSEPORT, &on, sizeof(on)), 0);
    QCOMPARE(::setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on)), 0);
    sockaddr_storage storage {};
    socklen_t size = 0;
    if (inet6) {
        auto* inet = reinterpret_cast<sockaddr_in6*>(&storage);
        inet->sin6_family = AF_INET6;
        inet->sin6_port = htons(server.port());
        const Q_IPV6ADDR bytes = host.toIPv6Address();
        memcpy(&inet->sin6_addr, &bytes, sizeof(bytes));
        size = sizeof(sockaddr_in6);
    } else {
        auto* inet = reinterpret_cast<sockaddr_in*>(&storage);
        inet->sin_family = AF_INET;
        inet->sin_port = htons(server.port());
        inet->sin_addr.s_addr = htonl(host.toIPv4Address());
        size = sizeof(sockaddr_in);
    }
    const int bound = ::bind(descriptor, reinterpret_cast<sockaddr*>(&storage), size);
    const int error = errno;
    ::close(descriptor);
    QCOMPARE(bound, -1);
    QCOMPARE(error, EADDRINUSE);
}

void tst_XServer::connectionLimit()
{
    WebTest::Server server;
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    // In batches: a burst beyond the listen backlog would lose connections in
    // the kernel, not in the server.
    const int batch = 25;
    for (int i = 0; i < MAX_CONNECTIONS; ++i) {
        clients.push_back(std::make_unique<QTcpSocket>());
        clients.back()->connectToHost(QHostAddress::LocalHost, server.port());
        // The oldest is accepted alone, so that it is known to be the oldest.
        if ((i + 1) % batch == 0 || i == 0)
            QTRY_COMPARE(server.server()->activeConnections(), i + 1);
    }

    // One more takes the place of the oldest, which only waits on its peer.
    const WebTest::Answer newcomer = WebTest::get(server.port(), "/");
    QCOMPARE(WebTest::parse(newcomer.bytes).body, QByteArray("index"));
    QVERIFY2(newcomer.elapsedMs < 3000, QByteArray::number(newcomer.elapsedMs));
    QTRY_COMPARE(clients.front()->state(), QAbstractSocket::UnconnectedState);
    QTRY_COMPARE(server.server()->activeConnections(), MAX_CONNECTIONS - 1);

    clients.at(1)->abort();
    QTRY_COMPARE(server.server()->activeConnections(), MAX_CONNECTIONS - 2);
    QCOMPARE(WebTest::parse(WebTest::get(server.port(), "/").bytes).body, QByteArray("index"));

    clients.clear();
    QTRY_COMPARE(server.server()->activeConnections(), 0);
}

void tst_XServer::mainWindowMakesServer()
{
    const quint16 port = freeServerPort();
    {
        QSettings ini(
            QCoreApplication::applicationDirPath() + QStringLiteral("/settings.ini"), QSettings::IniFormat);
        ini.setValue(QStringLiteral("web_server/enabled"), true);
        ini.setValue(QStringLiteral("web_server/port"), port);
    }
    ApplicationData applicationData;
    MainWindow window(&applicationData);
    auto* server = window.findChild<XServer*>();
    QVERIFY(server);
    QVERIFY(server->widget());

    // The settings tab lays out the box and its load starts the server.
    QVERIFY(server->widget()->parent());
    QVERIFY(server->isListening());
    QCOMPARE(server->serverPort(), port);
    QCOMPARE(server->widget()->stateText(), QStringLiteral("Listening"));
    QCOMPARE(WebTest::parse(WebTest::get(port, "/").bytes).body, QByteArray("index"));
}

QTEST_MAIN(tst_XServer)
#include "tst_xserver.moc"
