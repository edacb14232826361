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

// An installed folder whose web server serves one user, who may write to
// the group "Hall", and whose Plugbay module uses the extension file named
// (copied from the tests' own when not one of the folder's).
bool prepareFolder(TestAppFolder& folder, quint16 port, const QString& extensionFile,
    const QString& language = QString())
{
    if (!folder.install())
        return false;
    const QString installed = folder.filePath(QLatin1String(EXTENSION_DIR) + QLatin1Char('/') + extensionFile);
    if (!QFile::exists(installed) && !QFile::copy(QStringLiteral(PROBE_EXTENSION_DIR "/") + extensionFile, installed))
        return false;
    {
        QSettings ini(folder.filePath(QLatin1String(EXTENSION_DIR) + QStringLiteral("/extension.ini")),
            QSettings::IniFormat);
        ini.setValue(QStringLiteral("libFileName"), extensionFile);
    }
    {
        QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("web_server/enabled"), true);
        settings.setValue(QStringLiteral("web_server/port"), port);
        settings.setValue(QStringLiteral("web_server/delay"), 0);
        if (!language.isEmpty())
            settings.setValue(QStringLiteral("language"), language);
        XWidgetGroupSettings hall;
        hall.name = QStringLiteral("Hall");
        settings.setValue(QStringLiteral("groups/Hall"), hall.map());
    }
    return folder.writeFile(QStringLiteral("users"),
        json({ { "1",
            QVariantMap { { "userName", USER }, { "password", PASSWORD },
                { "access", QVariantMap { { "Hall", 2 } } } } } }));
}

// A standard widget in "Hall" with one label component.
bool writeLabelWidget(const TestAppFolder& folder, const QString& id, const QString& component,
    const QVariantMap& items)
{
    return folder.writeFile(QStringLiteral("standart_widgets/%1.sw").arg(id),
        json({ { "base", QVariantMap { { "id", id }, { "group", "Hall" } } }, { "name", id },
            { "components",
                QVariantMap { { "0",
                    QVariantMap { { "name", component }, { "libName", "Vistag" },
                        { "libSettings", QVariantMap { { "items", items } } } } } } } }));
}

QVariantMap showsValue()
{
    return { { "0", QVariantMap { { "condition", 3 }, { "text", "T=%%value%%" }, { "color", "#000000" } } } };
}

QVariantMap moduleSettings(const TestAppFolder& folder, const QString& file)
{
    return QJsonDocument::fromJson(folder.readFile(file)).object().toVariantMap().value("libSettings").toMap();
}

// The journal file's entries, "[level] source: text".
QStringList journalFile(const TestAppFolder& folder)
{
    const QVariantMap map = QJsonDocument::fromJson(folder.readFile(QStringLiteral("journal"))).object().toVariantMap();
    QStringList entries;
    for (int i = 0; map.contains(QString::number(i)); ++i) {
        const QVariantMap entry = map.value(QString::number(i)).toMap();
        entries << QStringLiteral("[%1] %2: %3")
                       .arg(entry.value("level").toInt())
                       .arg(entry.value("sourse").toString(), entry.value("text").toString());
    }
    return entries;
}

// The first answer that holds the text; empty when none did in time.
QByteArray answerHolding(quint16 port, const QByteArray& text)
{
    QByteArray answer;
    const bool held = QTest::qWaitFor(
        [&] {
            answer = exchangeWidgets(port);
            return answer.contains(text);
        },
        EXCHANGE_TIMEOUT_MS);
    return held ? answer : QByteArray();
}
}

// The installed program with the Plugbay module and a test extension, ended
// by SIGTERM and started again.
class tst_PlugbayProcess : public QObject
{
    Q_OBJECT

private slots:
    void stateSurvivesRestartAndValueReachesBrowser();
    void extensionNeedingMoreFailsItsLoadOnly();
    void throwingParametersLeaveEveryFileSaved();
    void boilerInGermanKeepsItsValuesAndJournalsItsStop();
};

void tst_PlugbayProcess::stateSurvivesRestartAndValueReachesBrowser()
{
    TestAppFolder folder;
    const quint16 port = freeServerPort();
    // Copied as built: it finds Plugbay.so only as the program's module.
    QVERIFY(prepareFolder(folder, port, QStringLiteral("ProbeExtension.so")));
    QVERIFY(writeLabelWidget(folder, QStringLiteral("label"), QStringLiteral("text"), showsValue()));
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
        QVERIFY(!answerHolding(port, "T=73.5").isEmpty());
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

void tst_PlugbayProcess::extensionNeedingMoreFailsItsLoadOnly()
{
    TestAppFolder folder;
    const quint16 port = freeServerPort();
    QVERIFY(prepareFolder(folder, port, QStringLiteral("ProbeNeedsMore.so")));
    QVERIFY(writeLabelWidget(folder, QStringLiteral("label"), QStringLiteral("text"), showsValue()));
    QVERIFY(folder.writeFile(QLatin1String(MODULE_FILE), json({ { "libName", "Plugbay" } })));
    QVERIFY(folder.writeFile(QStringLiteral("modules/Web.xmodule"), json({ { "libName", "Webquery" } })));

    std::unique_ptr<QProcess> process(folder.start());
    QVERIFY(!answerHolding(port, "T=").isEmpty());
    QCOMPARE(process->state(), QProcess::Running);
    QVERIFY(TestAppFolder::terminate(process.get()));

    const QStringList journal = journalFile(folder);
    const QStringList loadErrors = journal.filter(QStringLiteral("load error"));
    QCOMPARE(loadErrors.size(), 1);
    QVERIFY2(loadErrors.first().startsWith(QStringLiteral("[3] Ext: Extension load error. Can't load ")),
        qPrintable(loadErrors.first()));
    QVERIFY2(loadErrors.first().contains(QStringLiteral("plugbayFunctionOfALaterVersion")),
        qPrintable(loadErrors.first()));
    // The other module lives on and is saved as usual.
    QCOMPARE(moduleSettings(folder, QStringLiteral("modules/Web.xmodule")).isEmpty(), false);
    QVERIFY(moduleSettings(folder, QLatin1String(MODULE_FILE)).contains("componentsList"));
}

void tst_PlugbayProcess::throwingParametersLeaveEveryFileSaved()
{
    TestAppFolder folder;
    const quint16 port = freeServerPort();
    QVERIFY(prepareFolder(folder, port, QStringLiteral("ProbeExtension.so")));
    QVERIFY(writeLabelWidget(folder, QStringLiteral("label"), QStringLiteral("text"), showsValue()));
    const QVariantMap bindings { { "x", QVariantMap { { "widgetID", "label" }, { "componentName", "text" } } } };
    const QVariantMap parameters { { "throwIn", QStringList { "x_getParameters" } }, { "runs", 3 },
        { "components", QVariantMap { { "x", QVariantMap { { "label", "X" }, { "setter", true } } } } },
        { "values", QVariantMap { { "x", "12" } } } };
    QVERIFY(folder.writeFile(QLatin1String(MODULE_FILE),
        json({ { "libName", "Plugbay" },
            { "libSettings",
                QVariantMap { { "componentsList", bindings }, { "tableCollumnWith", QVariantList { 71, 72, 73, 74 } },
                    { "extensionParameters", parameters } } } })));
    QVERIFY(folder.writeFile(QStringLiteral("modules/Web.xmodule"), json({ { "libName", "Webquery" } })));

    std::unique_ptr<QProcess> process(folder.start());
    QVERIFY(!answerHolding(port, "T=12").isEmpty());
    QVERIFY(TestAppFolder::terminate(process.get()));

    QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    QVERIFY(!settings.value(QStringLiteral("window/geometry")).toByteArray().isEmpty());
    QVERIFY(!settings.value(QStringLiteral("window/windowState")).toByteArray().isEmpty());
    QCOMPARE(settings.value(QStringLiteral("groups/Hall")).toMap().value("name").toString(), QStringLiteral("Hall"));
    const QVariantMap saved = moduleSettings(folder, QLatin1String(MODULE_FILE));
    QCOMPARE(saved.value("componentsList").toMap(), bindings);
    QCOMPARE(saved.value("tableCollumnWith").toList(), (QVariantList { 71, 72, 73, 74 }));
    // What the extension could not give is what it was given.
    QCOMPARE(saved.value("extensionParameters").toMap().value("runs").toInt(), 3);
    QVERIFY(saved.contains("lastTabIndex"));
    QVERIFY(!moduleSettings(folder, QStringLiteral("modules/Web.xmodule")).isEmpty());
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("standart_widgets/label.sw"))));
    QVERIFY(journalFile(folder).contains(
        QStringLiteral("[3] Ext: The extension failed in x_getParameters (probe fails in x_getParameters)")));
}

void tst_PlugbayProcess::boilerInGermanKeepsItsValuesAndJournalsItsStop()
{
    TestAppFolder folder;
    const quint16 port = freeServerPort();
    QVERIFY(prepareFolder(folder, port, QStringLiteral("Boilersim.so"), QStringLiteral("de")));
    QVERIFY(writeLabelWidget(folder, QStringLiteral("boiler"), QStringLiteral("burner"),
        { { "0", QVariantMap { { "condition", 0 }, { "value", "on" }, { "text", "Burner on" }, { "color", "#bc4c00" } } },
            { "1",
                QVariantMap { { "condition", 3 }, { "text", "Burner %%value%%" }, { "color", "#57606a" } } } }));
    // Cold: the first tick switches the burner on.
    QVERIFY(folder.writeFile(QStringLiteral("modules/Boiler.xmodule"),
        json({ { "libName", "Plugbay" },
            { "libSettings",
                QVariantMap { { "componentsList",
                                  QVariantMap { { "burner",
                                      QVariantMap { { "widgetID", "boiler" }, { "componentName", "burner" } } } } },
                    { "extensionParameters", QVariantMap { { "setpoint", 70 }, { "temperature", 20.0 } } } } } })));

    std::unique_ptr<QProcess> process(folder.start());
    const QByteArray answer = answerHolding(port, "Burner on");
    QVERIFY(!answer.isEmpty());
    QVERIFY2(answer.contains("#bc4c00"), answer.constData());
    QVERIFY(TestAppFolder::terminate(process.get()));

    const QStringList stops = journalFile(folder).filter(QStringLiteral("[1] Boiler: Kesselsimulator bei "));
    QCOMPARE(stops.size(), 1);
    QVERIFY2(stops.first().endsWith(QStringLiteral(" angehalten")), qPrintable(stops.first()));
}

QTEST_MAIN(tst_PlugbayProcess)
#include "tst_plugbayprocess.moc"
