#include "filesizelimit.h"
#include "freeport.h"
#include "testappfolder.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPoint>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSettings>
#include <QSharedMemory>
#include <QSize>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
const int DEFAULT_WEB_PORT = 80;
const int CRITICAL_LEVEL = 3;
const int MAILBOX_TIMEOUT_MS = 30000;

bool portIsFree(quint16 port)
{
    QTcpServer probe;
    return probe.listen(QHostAddress::Any, port);
}

bool someoneListensOn(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(2000);
}

// The TCP ports on which the process has listening sockets, from /proc.
QSet<int> listeningPorts(qint64 pid)
{
    const QString procDir = QStringLiteral("/proc/%1").arg(pid);
    QSet<QString> socketInodes;
    const QFileInfoList descriptors = QDir(procDir + QStringLiteral("/fd")).entryInfoList(QDir::System);
    for (const QFileInfo& descriptor : descriptors) {
        const QString target = descriptor.symLinkTarget();
        const int open = target.indexOf(QLatin1String("socket:["));
        if (open >= 0)
            socketInodes.insert(target.mid(open + 8).chopped(1));
    }
    QSet<int> ports;
    for (const char* table : { "/net/tcp", "/net/tcp6" }) {
        QFile file(procDir + QLatin1String(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (int i = 1; i < lines.size(); ++i) {
            const QList<QByteArray> fields = lines.at(i).simplified().split(' ');
            const bool listening = fields.size() > 9 && fields.at(3) == "0A";
            if (listening && socketInodes.contains(QString::fromLatin1(fields.at(9))))
                ports.insert(fields.at(1).split(':').last().toInt(nullptr, 16));
        }
    }
    return ports;
}

struct JournalEntry
{
    int level = -1;
    QString text;
};

QList<JournalEntry> journalEntries(const TestAppFolder& folder)
{
    const QJsonObject object = QJsonDocument::fromJson(folder.readFile(QStringLiteral("journal"))).object();
    QList<JournalEntry> entries;
    for (int i = 0; object.contains(QString::number(i)); ++i) {
        const QJsonObject entry = object.value(QString::number(i)).toObject();
        entries.append(
            { entry.value(QStringLiteral("level")).toInt(), entry.value(QStringLiteral("text")).toString() });
    }
    return entries;
}

QStringList criticalTexts(const TestAppFolder& folder)
{
    QStringList texts;
    const QList<JournalEntry> entries = journalEntries(folder);
    for (const JournalEntry& entry : entries) {
        if (entry.level == CRITICAL_LEVEL)
            texts.append(entry.text);
    }
    return texts;
}

// A settings file as the program writes it: web server on, a group.
QByteArray goodSettings(quint16 port, const QString& portValue = QString())
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.setValue(QStringLiteral("useStyles"), true);
        settings.setValue(QStringLiteral("Journal/maxRow"), 7);
        settings.setValue(QStringLiteral("web_server/enabled"), true);
        settings.setValue(QStringLiteral("web_server/port"),
            portValue.isEmpty() ? QVariant(int(port)) : QVariant(portValue));
        settings.setValue(QStringLiteral("web_server/delay"), 0);
        settings.setValue(QStringLiteral("web_server/secureConnection"), false);
        settings.setValue(QStringLiteral("groups/Boiler room"),
            QVariantMap {
                { "name", "Boiler room" }, { "position", QPoint(20, 20) }, { "size", QSize(360, 200) } });
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray replaced(QByteArray bytes, const QByteArray& before, const QByteArray& after)
{
    return bytes.replace(before, after);
}

// The real program, started and waited for until its window is built: a 1
// put into its mailbox is taken back to 0 only by the window's timer (or by
// the 0 stored once the window is shown).
struct RunningProgram
{
    explicit RunningProgram(TestAppFolder& folder)
        : process(folder.start())
    {
        QDeadlineTimer deadline(MAILBOX_TIMEOUT_MS);
        QSharedMemory mailbox(folder.program() + QStringLiteral("_2"));
        const bool attached
            = QTest::qWaitFor([&] { return process->state() != QProcess::Running || mailbox.attach(); },
                  int(deadline.remainingTime()))
            && mailbox.isAttached();
        if (!attached) {
            diagnosis = "no mailbox: " + mailbox.errorString().toUtf8();
            return;
        }
        reachable = true;
        mailbox.lock();
        *static_cast<qint32*>(mailbox.data()) = 1;
        mailbox.unlock();
        built = QTest::qWaitFor(
                    [&] { return process->state() != QProcess::Running || folder.mailboxValue() == 0; },
                    int(deadline.remainingTime()))
            && folder.mailboxValue() == 0;
        diagnosis = "mailbox " + QByteArray::number(folder.mailboxValue());
    }
    // For the failure message: what the program said when it was not ready.
    QByteArray state() const
    {
        return diagnosis + ", state " + QByteArray::number(process->state()) + ", exit code "
            + QByteArray::number(process->exitCode()) + ": " + process->readAllStandardError();
    }
    std::unique_ptr<QProcess> process;
    // False when this process cannot reach the program's mailbox at all: with
    // System V keys, a leftover segment of another program whose key collides
    // can take the key file with it.
    bool reachable = false;
    bool built = false;
    QByteArray diagnosis;
};

// Checks made while the program runs need its window built.
#define REQUIRE_BUILT(program)                                                                               \
    do {                                                                                                     \
        if (!(program).reachable)                                                                            \
            QSKIP((program).state().constData());                                                            \
        if (!(program).built)                                                                                \
            QFAIL((program).state().constData());                                                            \
    } while (false)

// Undoes chattr +i however the test ends: an immutable file outlives its folder.
struct ImmutableFile
{
    explicit ImmutableFile(const QString& path)
        : path(path)
    {
        set = QProcess::execute(QStringLiteral("chattr"), { QStringLiteral("+i"), path }) == 0;
    }
    ~ImmutableFile()
    {
        if (set)
            QProcess::execute(QStringLiteral("chattr"), { QStringLiteral("-i"), path });
    }
    QString path;
    bool set = false;
};
}

// Damaged, unwritable and half-saved stored files, met by the real program
// in installed application folders.
class tst_MainWindowStoredFiles : public QObject
{
    Q_OBJECT

private slots:
    void damagedSettings_data();
    void damagedSettings();
    void portThatIsNoNumberMeansTheDefault();
    void wrongTypedFileKeptAside_data();
    void wrongTypedFileKeptAside();
    void failedSaveEndsWithFailureStatus();
    void unwritableFileReported_data();
    void unwritableFileReported();
    void saveLeftoversRemovedAtStart();
};

void tst_MainWindowStoredFiles::damagedSettings_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("asFolder");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<quint16>("port");

    const quint16 port = freeServerPort();
    const QByteArray good = goodSettings(port);
    QByteArray random(2048, '\0');
    QRandomGenerator generator(20);
    for (char& byte : random)
        byte = char(generator.bounded(256));

    QTest::newRow("cut in half") << good.left(good.indexOf("@Variant(") + 30) << false << true << port;
    QTest::newRow("random bytes") << random << false << true << port;
    QTest::newRow("zero-filled") << QByteArray(good.size(), '\0') << false << true << port;
    QTest::newRow("section without closing bracket")
        << replaced(good, "[web_server]", "[web_server") << false << true << port;
    QTest::newRow("line without equals sign")
        << replaced(good, "secureConnection=false", "secureConnection false") << false << true << port;
    QTest::newRow("stray quote swallowing the next key")
        << replaced(good, "delay=0\n", "delay=0\"\n") << false << true << port;
    QByteArray groupAsText = good;
    const int groupLine = groupAsText.indexOf("Boiler%20room=");
    groupAsText.replace(groupLine, groupAsText.indexOf('\n', groupLine) - groupLine, "Boiler%20room=Boiler room");
    QTest::newRow("group stored as a plain text") << groupAsText << false << true << port;
    QTest::newRow("folder in its place") << QByteArray() << true << true << port;
    QTest::newRow("emptied: nothing to keep") << QByteArray() << false << false << port;
}

void tst_MainWindowStoredFiles::damagedSettings()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, asFolder);
    QFETCH(bool, kept);
    QFETCH(quint16, port);
    TestAppFolder folder;
    QVERIFY(folder.install());
    const QString settingsPath = folder.filePath(QStringLiteral("settings.ini"));
    if (asFolder)
        QVERIFY(folder.writeFile(QStringLiteral("settings.ini/notes"), "kept inside"));
    else
        QVERIFY(folder.writeFile(QStringLiteral("settings.ini"), content));

    {
        RunningProgram program(folder);
        // What the program left at exit is checked below in any case.
        if (program.reachable) {
            if (!program.built)
                QFAIL(program.state().constData());
            QVERIFY2(!someoneListensOn(port), "the web server of the damaged file runs");
        }
        QVERIFY(TestAppFolder::terminate(program.process.get()));
    }

    const QString keptPath = settingsPath + QStringLiteral(".unreadable");
    QCOMPARE(QFileInfo::exists(keptPath), kept);
    if (asFolder)
        QCOMPARE(folder.readFile(QStringLiteral("settings.ini.unreadable/notes")), QByteArray("kept inside"));
    else if (kept)
        QCOMPARE(folder.readFile(QStringLiteral("settings.ini.unreadable")), content);

    // Started on the defaults: nothing of the damaged file came back with the save at exit.
    QVERIFY(QFileInfo(settingsPath).isFile());
    QSettings saved(settingsPath, QSettings::IniFormat);
    QCOMPARE(saved.status(), QSettings::NoError);
    QVERIFY(saved.contains(QStringLiteral("window/geometry")));
    QVERIFY(!saved.contains(QStringLiteral("groups/Boiler room")));
    QVERIFY(!saved.contains(QStringLiteral("web_server/port")));

    const QStringList critical = criticalTexts(folder);
    if (kept) {
        QCOMPARE(critical.size(), 1);
        QVERIFY2(critical.first().contains(QLatin1String("settings.ini.unreadable")),
            qPrintable(critical.first()));
    } else {
        QVERIFY2(critical.isEmpty(), qPrintable(critical.join(QLatin1Char('\n'))));
    }
}

void tst_MainWindowStoredFiles::portThatIsNoNumberMeansTheDefault()
{
    TestAppFolder folder;
    QVERIFY(folder.install());
    QVERIFY(folder.writeFile(QStringLiteral("settings.ini"), goodSettings(0, QStringLiteral("abc"))));

    RunningProgram program(folder);
    REQUIRE_BUILT(program);
    // The server listens once the window is built: on the default port unless
    // something else holds it, and never on one that the system picked.
    const QSet<int> ports = listeningPorts(program.process->processId());
    if (ports.isEmpty())
        QVERIFY2(!portIsFree(DEFAULT_WEB_PORT), "the default port was free, yet nothing listens");
    else
        QCOMPARE(ports, QSet<int> { DEFAULT_WEB_PORT });
    QVERIFY(TestAppFolder::terminate(program.process.get()));

    // Well formed: the file stays, the value in it too.
    QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("settings.ini.unreadable"))));
    QCOMPARE(QSettings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
                 .value(QStringLiteral("web_server/port"))
                 .toString(),
        QStringLiteral("abc"));
}

void tst_MainWindowStoredFiles::wrongTypedFileKeptAside_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("widget whose base is no object")
        << "standart_widgets/pump.sw" << QByteArray(R"({"base": "pump", "name": "Pump"})");
    QTest::newRow("widget whose component is a text")
        << "standart_widgets/pump.sw" << QByteArray(R"({"base": {"id": "pump"}, "components": {"0": "label"}})");
    QTest::newRow("widget whose position is a text")
        << "standart_widgets/pump.sw" << QByteArray(R"({"base": {"id": "pump", "position": "10 20"}})");
    QTest::newRow("user that is a text") << "users" << QByteArray(R"({"1": "operator"})");
    QTest::newRow("user rights that are a list")
        << "users" << QByteArray(R"({"1": {"userName": "operator", "access": ["Boiler room"]}})");
    QTest::newRow("module settings that are a text")
        << "modules/pump.xmodule" << QByteArray(R"({"libName": "none", "libSettings": "fast"})");
    QTest::newRow("journal entry that is a text") << "journal" << QByteArray(R"({"0": "earlier"})");
    QTest::newRow("journal level that is a text") << "journal" << QByteArray(
        R"({"0": {"datetime": "2026-01-01T08:00:00", "level": "high", "sourse": "", "text": "earlier"}})");
}

void tst_MainWindowStoredFiles::wrongTypedFileKeptAside()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    TestAppFolder folder;
    QVERIFY(folder.install());
    QVERIFY(folder.writeFile(name, content));

    {
        RunningProgram program(folder);
        REQUIRE_BUILT(program);
        QVERIFY(TestAppFolder::terminate(program.process.get()));
    }

    const QString kept = name + QStringLiteral(".unreadable");
    QCOMPARE(folder.readFile(kept), content);
    // A module without its settings has a complaint of its own.
    const QStringList critical = criticalTexts(folder);
    QVERIFY2(critical.filter(QFileInfo(kept).fileName()).size() == 1, qPrintable(critical.join(QLatin1Char('\n'))));
}

void tst_MainWindowStoredFiles::failedSaveEndsWithFailureStatus()
{
    TestAppFolder folder;
    QVERIFY(folder.install());
    QVERIFY(folder.writeFile(QStringLiteral("journal"),
        R"({"0": {"datetime": "2026-01-01T08:00:00", "level": 1, "sourse": "", "text": "earlier"}})"));
    const QByteArray before = folder.readFile(QStringLiteral("journal"));

    std::unique_ptr<RunningProgram> program;
    {
        // Inherited by the program: its saves meet a full disk.
        const FileSizeLimit noRoom(16);
        program = std::make_unique<RunningProgram>(folder);
    }
    REQUIRE_BUILT(*program);
    QProcess* process = program->process.get();
    QVERIFY(!TestAppFolder::terminate(process));
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QVERIFY(process->exitCode() != 0);
    QCOMPARE(folder.readFile(QStringLiteral("journal")), before);
    const QString stderrText = QString::fromLocal8Bit(process->readAllStandardError());
    QVERIFY2(stderrText.contains(folder.filePath(QStringLiteral("journal"))), qPrintable(stderrText));
}

void tst_MainWindowStoredFiles::unwritableFileReported_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("savedBeforeJournal");
    QTest::newRow("users") << "users" << QByteArray() << true;
    QTest::newRow("widget file") << "standart_widgets/pump.sw" << QByteArray("{}") << true;
    QTest::newRow("settings") << "settings.ini" << QByteArray() << false;
    QTest::newRow("journal") << "journal" << QByteArray() << false;
    QTest::newRow("module file") << "modules/pump.xmodule" << QByteArray(R"({"libName": "none"})") << false;
}

void tst_MainWindowStoredFiles::unwritableFileReported()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, savedBeforeJournal);
    TestAppFolder folder;
    QVERIFY(folder.install());
    const quint16 port = freeServerPort();
    QVERIFY(folder.writeFile(QStringLiteral("settings.ini"), goodSettings(port)));
    QVERIFY(folder.writeFile(QStringLiteral("users"), R"({"1": {"userName": "operator", "password": "demo",
        "access": {"Boiler room": 2}, "lastWebRequest": {"address": "", "dateTime": null}}})"));
    QVERIFY(folder.writeFile(QStringLiteral("journal"),
        R"({"0": {"dateTime": "2026-01-01T08:00:00", "level": 1, "sourse": "", "text": "earlier"}})"));
    if (!content.isEmpty())
        QVERIFY(folder.writeFile(name, content));
    const QString path = folder.filePath(name);
    const QByteArray before = folder.readFile(name);
    // Permissions do not stop root: an immutable file cannot be replaced by anybody.
    ImmutableFile immutable(path);
    if (!immutable.set)
        QSKIP("chattr +i is not available on this file system");

    RunningProgram program(folder);
    REQUIRE_BUILT(program);
    // A sign-in changes the user's last web request, so there is something to lose.
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(client.waitForConnected(5000));
    const QByteArray body = R"({"password":"demo"})";
    client.write(
        "POST /operator HTTP/1.0\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    QTRY_COMPARE_WITH_TIMEOUT(client.state(), QAbstractSocket::UnconnectedState, 5000);
    QVERIFY(client.readAll().startsWith("HTTP/1.0 200"));
    // A supervisor learns from the status that something was not saved.
    QVERIFY(!TestAppFolder::terminate(program.process.get()));
    QCOMPARE(program.process->exitStatus(), QProcess::NormalExit);
    QVERIFY(program.process->exitCode() != 0);

    QCOMPARE(folder.readFile(name), before);
    const QString stderrText = QString::fromLocal8Bit(program.process->readAllStandardError());
    const QStringList reported = stderrText.split(QLatin1Char('\n')).filter(path);
    QCOMPARE(reported.size(), 1);
    // The reason as the system gave it follows the file's name.
    QVERIFY2(reported.first().section(path, 1).size() > 2, qPrintable(reported.first()));
    // Files saved after the journal have their entry only in the running program.
    if (savedBeforeJournal)
        QCOMPARE(criticalTexts(folder), reported);
}

void tst_MainWindowStoredFiles::saveLeftoversRemovedAtStart()
{
    TestAppFolder folder;
    QVERIFY(folder.install());
    const QStringList temporaries { "users.hhGQbK", "journal.AbCdEf", "settings.ini.QwErTy",
        "standart_widgets/pump.sw.XyZabc", "modules/boiler.xmodule.PqRsTu" };
    const QStringList lookAlikes { "users.backup", "users.hhGQbK.txt", "notes.hhGQbK", "pump.sw.XyZabc",
        "standart_widgets/users.hhGQbK" };
    for (const QString& name : temporaries + lookAlikes)
        QVERIFY(folder.writeFile(name, "{\n    \"1\": {"));
    QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral("journal.AbCdEg"))));

    // Removed at start; the saves at exit leave no named temporaries behind.
    RunningProgram program(folder);
    QVERIFY(TestAppFolder::terminate(program.process.get()));
    for (const QString& name : temporaries)
        QVERIFY2(!QFileInfo::exists(folder.filePath(name)), qPrintable(name));
    for (const QString& name : lookAlikes)
        QVERIFY2(QFileInfo::exists(folder.filePath(name)), qPrintable(name));
    QVERIFY(QFileInfo(folder.filePath(QStringLiteral("journal.AbCdEg"))).isDir());
}

QTEST_MAIN(tst_MainWindowStoredFiles)
#include "tst_mainwindowstoredfiles.moc"
