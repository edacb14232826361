#include "freeport.h"
#include "testappfolder.h"
#include "xwidgetgroupsettings.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

namespace {
const char MODULE_FILE[] = "modules/Ext.xmodule";
const char EXTENSION_DIR[] = "modules_lib/PlugbayDir/extension";
const char CLEANUP_FILE[] = "modules_lib/PlugbayDir/extension/probe-cleanup.txt";
const char USER[] = "operator";
const char PASSWORD[] = "pw";
const int EXCHANGE_TIMEOUT_MS = 15000;

QByteArray json(const QVariantMap& map)
{
    return QJsonDocument(QJsonObject::fromVariantMap(map)).toJson();
}

// One signed-in WIDGETS exchange with the program's web server; the answer's body.
QByteArray exchangeWidgets(quint16 port)
{
    const QByteArray body = QByteArray(R"({"password":")") + PASSWORD + R"(","WIDGETS":{}})";
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(1000))
        return QByteArray();
    socket.write("POST /" + QByteArray(USER) + " HTTP/1.0\r\nHost: 127.0.0.1\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    QByteArray answer;
    QDeadlineTimer deadline(5000);
    while (socket.state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired()) {
        socket.waitForReadyRead(100);
        answer += socket.readAll();
    }
    answer += socket.readAll();
    const int end = answer.indexOf("\r\n\r\n");
    return end < 0 ? QByteArray() : answer.mid(end + 4);
}
}

// The installed program with the Plugbay module and a test extension, ended
// by SIGTERM and started again.
class tst_PlugbayProcess : public QObject
{
    Q_OBJECT

private slots:
    void stateSurvivesRestartAndValueReachesBrowser();
};

void tst_PlugbayProcess::stateSurvivesRestartAndValueReachesBrowser()
{
    TestAppFolder folder;
    QVERIFY(folder.install());
    // Copied as built: it finds Plugbay.so only as the program's module.
    QVERIFY(QFile::copy(QStringLiteral(PROBE_EXTENSION_DIR "/ProbeExtension.so"),
        folder.filePath(QLatin1String(EXTENSION_DIR) + QStringLiteral("/ProbeExtension.so"))));
    {
        QSettings ini(folder.filePath(QLatin1String(EXTENSION_DIR) + QStringLiteral("/extension.ini")),
            QSettings::IniFormat);
        ini.setValue(QStringLiteral("libFileName"), QStringLiteral("ProbeExtension.so"));
    }
    const quint16 port = freeServerPort();
    {
        QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("web_server/enabled"), true);
        settings.setValue(QStringLiteral("web_server/port"), port);
        settings.setValue(QStringLiteral("web_server/delay"), 0);
        XWidgetGroupSettings hall;
        hall.name = QStringLiteral("Hall");
        settings.setValue(QStringLiteral("groups/Hall"), hall.map());
    }
    QVERIFY(folder.writeFile(QStringLiteral("users"),
        json({ { "1",
            QVariantMap { { "userName", USER }, { "password", PASSWORD },
                { "access", QVariantMap { { "Hall", 2 } } } } } })));
    QVERIFY(folder.writeFile(QStringLiteral("standart_widgets/label.sw"),
        json({ { "base", QVariantMap { { "id", "label" }, { "group", "Hall" } } }, { "name", "Label" },
            { "components",
                QVariantMap { { "0",
                    QVariantMap { { "name", "text" }, { "libName", "Vistag" },
                        { "libSettings",
                            QVariantMap { { "items",
                                QVariantMap { { "0",
                                    QVariantMap { { "condition", 3 }, { "text", "T=%%value%%" },
                                        { "color", "#000000" } } } } } } } } } } } })));
    const QVariantList widths { 61, 62, 63, 64 };
    const QVariantMap bindings { { "x",
        QVariantMap { { "widgetID", "label" }, { "componentName", "text" } } } };
    QVERIFY(folder.writeFile(QLatin1String(MODULE_FILE),
        json({ { "libName", "Plugbay" },
            { "libSettings",
                QVariantMap { { "componentsList", bindings }, { "tableCollumnWith", widths },
                    { "lastTabIndex", 2 },
                    { "extensionParameters",
                        QVariantMap { { "components",
                                          QVariantMap { { "x",
                                              QVariantMap { { "label", "X" }, { "setter", true } } } } },
                            { "values", QVariantMap { { "x", "73.5" } } } } } } } })));

    for (int run = 1; run <= 2; ++run) {
        std::unique_ptr<QProcess> process(folder.start());
        QVERIFY(folder.mailboxValue() >= 0);
        // The value the extension set reaches the label, and with it the browser.
        QByteArray answer;
        QVERIFY(QTest::qWaitFor(
            [&] {
                answer = exchangeWidgets(port);
                return answer.contains("T=73.5");
            },
            EXCHANGE_TIMEOUT_MS));
        QVERIFY(TestAppFolder::terminate(process.get()));

        const QVariantMap saved = QJsonDocument::fromJson(folder.readFile(QLatin1String(MODULE_FILE)))
                                      .object()
                                      .toVariantMap()
                                      .value("libSettings")
                                      .toMap();
        QCOMPARE(saved.value("componentsList").toMap(), bindings);
        QCOMPARE(saved.value("tableCollumnWith").toList(), widths);
        QCOMPARE(saved.value("lastTabIndex").toInt(), 2);
        // Each start counts up from what the previous run's parameters said.
        QCOMPARE(saved.value("extensionParameters").toMap().value("runs").toInt(), run);

        const QStringList notes = QString::fromUtf8(folder.readFile(QLatin1String(CLEANUP_FILE))).split('\n');
        QVERIFY2(notes.first().startsWith(QStringLiteral("makeObject ")), qPrintable(notes.first()));
        QCOMPARE(notes.first().contains(QStringLiteral("\"runs\":%1").arg(run - 1)), run > 1);
        QCOMPARE(notes.last(), QStringLiteral("x_getParameters"));
        QVERIFY(QFile::remove(folder.filePath(QLatin1String(CLEANUP_FILE))));
    }
}

QTEST_MAIN(tst_PlugbayProcess)
#include "tst_plugbayprocess.moc"
