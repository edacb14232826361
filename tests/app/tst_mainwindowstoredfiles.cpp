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
const int WARNING_LEVEL = 2;
const int CRITICAL_LEVEL = 3;
const int MAILBOX_TIMEOUT_MS = 30000;
// The web server comes up with the settings tab, late in the window's build.
const int LISTENING_TIMEOUT_MS = 20000;
const int CONNECT_ATTEMPT_MS = 500;
// A change reaches its file a few seconds after it was made.
const int SAVED_WHILE_RUNNING_TIMEOUT_MS = 20000;

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

// Connects the socket once the port listens, retrying within the time-out: a
// program started a moment ago may not listen yet.
bool connectWhenListening(QTcpSocket* socket, quint16 port)
{
    return QTest::qWaitFor(
        [&] {
            socket->abort();
            socket->connectToHost(QHostAddress::LocalHost, port);
            return socket->waitForConnected(CONNECT_ATTEMPT_MS);
        },
        LISTENING_TIMEOUT_MS);
}

// A signed-in request; the whole answer, or nothing when none came.
QByteArray signedInRequest(quint16 port, const QByteArray& user, const QByteArray& body)
{
    QTcpSocket client;
    if (!connectWhenListening(&client, port))
        return QByteArray();
    client.write("POST /" + user + " HTTP/1.0\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\n\r\n" + body);
    QByteArray answer;
    QDeadlineTimer deadline(LISTENING_TIMEOUT_MS);
    while (client.state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired()) {
        client.waitForReadyRead(100);
        answer += client.readAll();
    }
    return answer + client.readAll();
}

// The value under a "/"-separated member path of a JSON object; invalid when
// some member on the way is missing.
QVariant memberAt(const QByteArray& json, const QString& path)
{
    QJsonValue value = QJsonDocument::fromJson(json).object();
    const QStringList names = path.split(QLatin1Char('/'));
    for (const QString& name : names) {
        if (!value.isObject() || !value.toObject().contains(name))
            return QVariant();
        value = value.toObject().value(name);
    }
    return value.toVariant();
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

QStringList textsAtLevel(const TestAppFolder& folder, int level)
{
    QStringList texts;
    const QList<JournalEntry> entries = journalEntries(folder);
    for (const JournalEntry& entry : entries) {
        if (entry.level == level)
            texts.append(entry.text);
    }
    return texts;
}

QStringList criticalTexts(const TestAppFolder& folder)
{
    return textsAtLevel(folder, CRITICAL_LEVEL);
}

// The entries that name both a stored file (by its path) and the copy kept of it (by its name).
QStringList naming(
    const QStringList& texts, const TestAppFolder& folder, const QString& name, const QString& copy)
{
    return texts.filter(folder.filePath(name)).filter(QFileInfo(copy).fileName());
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

const char OPERATOR_USER[] = R"({"userName": "operator", "password": "demo", "access": {"Boiler room": 2},
    "saveParametersWEB": true, "lastWebRequest": {"address": "", "dateTime": null}})";

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
    void wrongTypedValuesReadConverted_data();
    void wrongTypedValuesReadConverted();
    void strayGroupEntryCostsOnlyItself();
    void unreadableFileSetAsideAtStart_data();
    void unreadableFileSetAsideAtStart();
    void failedSaveEndsWithFailureStatus();
    void unwritableFileReported_data();
    void unwritableFileReported();
    void browserSettingsSavedBeforeAKill();
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

void tst_MainWindowStoredFiles::wrongTypedValuesReadConverted_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    // Members of the file written at exit, by "/"-separated path, and what they hold.
    QTest::addColumn<QVariantMap>("saved");

    const QByteArray operatorUser = OPERATOR_USER;
    QTest::newRow("user whose phone is a number")
        << "users"
        << "{\"1\": " + operatorUser + R"(, "2": {"userName": "second", "password": "x", "phone": 123}})"
        << QVariantMap { { "1/userName", "operator" }, { "2/userName", "second" }, { "2/phone", "123" } };
    QTest::newRow("user that is a text")
        << "users"
        << "{\"1\": " + operatorUser + R"(, "2": "second"})"
        << QVariantMap { { "1/password", "demo" }, { "2/userName", "" }, { "2/password", "" } };
    QTest::newRow("user rights that are a list")
        << "users" << QByteArray(R"({"1": {"userName": "operator", "access": ["Boiler room"]}})")
        << QVariantMap { { "1/userName", "operator" }, { "1/access", QVariantMap() } };
    QTest::newRow("widget whose base is no object")
        << "standart_widgets/pump.sw" << QByteArray(R"({"base": "pump", "name": "Pump"})")
        << QVariantMap { { "name", "Pump" }, { "base/id", "pump" } };
    QTest::newRow("widget whose component is a text")
        << "standart_widgets/pump.sw"
        << QByteArray(R"({"base": {"id": "pump"}, "name": "Pump", "components": {"0": "label"}})")
        << QVariantMap { { "name", "Pump" }, { "components/0/name", "" } };
    QTest::newRow("widget whose position is a text")
        << "standart_widgets/pump.sw"
        << QByteArray(R"({"base": {"id": "pump", "position": "10 20"}, "name": "Pump"})")
        << QVariantMap { { "name", "Pump" }, { "base/position", QVariantList { "0", "0" } } };
    QTest::newRow("module settings that are a text")
        << "modules/pump.xmodule" << QByteArray(R"({"libName": "none", "libSettings": "fast"})")
        << QVariantMap { { "libName", "none" }, { "libSettings", QVariantMap() } };
    QTest::newRow("journal entry that is a text")
        << "journal"
        << QByteArray(
               R"({"0": "earlier", "1": {"datetime": "2026-01-01T08:00:00", "level": 1, "sourse": "", "text": "later"}})")
        << QVariantMap { { "0/text", "" }, { "1/text", "later" } };
    QTest::newRow("journal level that is a text")
        << "journal"
        << QByteArray(
               R"({"0": {"datetime": "2026-01-01T08:00:00", "level": "high", "sourse": "", "text": "earlier"}})")
        << QVariantMap { { "0/text", "earlier" }, { "0/level", 0 } };
}

// A value of the wrong type costs neither the file nor the rest of it: the
// file is read converted, and what it was stays beside it.
void tst_MainWindowStoredFiles::wrongTypedValuesReadConverted()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QVariantMap, saved);
    TestAppFolder folder;
    QVERIFY(folder.install());
    QVERIFY(folder.writeFile(name, content));

    {
        RunningProgram program(folder);
        REQUIRE_BUILT(program);
        QVERIFY(TestAppFolder::terminate(program.process.get()));
    }

    const QString copy = name + QStringLiteral(".original");
    QCOMPARE(folder.readFile(copy), content);
    QVERIFY(!QFileInfo::exists(folder.filePath(name + QStringLiteral(".unreadable"))));
    const QByteArray written = folder.readFile(name);
    for (auto it = saved.cbegin(); it != saved.cend(); ++it)
        QVERIFY2(memberAt(written, it.key()) == it.value(),
            qPrintable(it.key() + QStringLiteral(" in ") + written));
    const QStringList warnings = textsAtLevel(folder, WARNING_LEVEL);
    QVERIFY2(naming(warnings, folder, name, copy).size() == 1, qPrintable(warnings.join(QLatin1Char('\n'))));
}

void tst_MainWindowStoredFiles::strayGroupEntryCostsOnlyItself()
{
    const quint16 port = freeServerPort();
    const QByteArray content = replaced(goodSettings(port), "[groups]\n", "[groups]\nStray=plain text\n");
    TestAppFolder folder;
    QVERIFY(folder.install());
    QVERIFY(folder.writeFile(QStringLiteral("settings.ini"), content));

    {
        RunningProgram program(folder);
        REQUIRE_BUILT(program);
        QTcpSocket client;
        QVERIFY2(connectWhenListening(&client, port), "the web server of the file does not listen");
        QVERIFY(TestAppFolder::terminate(program.process.get()));
    }

    QCOMPARE(folder.readFile(QStringLiteral("settings.ini.original")), content);
    QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("settings.ini.unreadable"))));
    QSettings saved(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    QCOMPARE(
        saved.value(QStringLiteral("groups/Boiler room")).toMap().value(QStringLiteral("name")).toString(),
        QStringLiteral("Boiler room"));
    QVERIFY(!saved.contains(QStringLiteral("groups/Stray")));
    QCOMPARE(saved.value(QStringLiteral("web_server/port")).toInt(), int(port));
    const QStringList warnings = textsAtLevel(folder, WARNING_LEVEL);
    QVERIFY2(naming(warnings, folder, QStringLiteral("settings.ini"), QStringLiteral("settings.ini.original"))
                 .filter(QStringLiteral("Stray"))
                 .size()
            == 1,
        qPrintable(warnings.join(QLatin1Char('\n'))));
}

void tst_MainWindowStoredFiles::unreadableFileSetAsideAtStart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    // Empty: the file stays where it is, for the operator to mend.
    QTest::addColumn<QString>("kept");
    const QByteArray users = "{\"1\": " + QByteArray(OPERATOR_USER) + "}";
    QTest::newRow("users cut in half") << "users" << users.left(users.size() / 2) << "users.unreadable";
    QTest::newRow("journal cut short")
        << "journal" << QByteArray(R"({"0": {"datetime": "2026-01-01T08:00)") << "journal.unreadable";
    QTest::newRow("module file that is no JSON")
        << "modules/pump.xmodule" << QByteArray("libName: none") << "modules/pump.xmodule.unreadable";
    QTest::newRow("widget file that is no JSON")
        << "standart_widgets/pump.sw" << QByteArray(R"({"base": {)") << QString();
}

// The operator learns in the program itself of a file it could not read.
void tst_MainWindowStoredFiles::unreadableFileSetAsideAtStart()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, kept);
    TestAppFolder folder;
    QVERIFY(folder.install());
    QVERIFY(folder.writeFile(name, content));

    {
        RunningProgram program(folder);
        REQUIRE_BUILT(program);
        QVERIFY(TestAppFolder::terminate(program.process.get()));
    }

    QCOMPARE(folder.readFile(kept.isEmpty() ? name : kept), content);
    const QStringList critical = criticalTexts(folder);
    const QStringList entries
        = kept.isEmpty() ? critical.filter(folder.filePath(name)) : naming(critical, folder, name, kept);
    QVERIFY2(entries.size() == 1, qPrintable(critical.join(QLatin1Char('\n'))));
}

void tst_MainWindowStoredFiles::failedSaveEndsWithFailureStatus()
{
    TestAppFolder folder;
    QVERIFY(folder.install());
    QVERIFY(folder.writeFile(QStringLiteral("journal"),
        R"({"0": {"datetime": "2026-01-01T08:00:00", "level": 1, "sourse": "", "text": "earlier"}})"));
    // The window's placement is added at exit: the settings always have more to say then.
    QVERIFY(folder.writeFile(QStringLiteral("settings.ini"), goodSettings(freeServerPort())));
    const QStringList names { QStringLiteral("journal"), QStringLiteral("settings.ini") };
    QMap<QString, QByteArray> before;
    for (const QString& name : names)
        before.insert(name, folder.readFile(name));

    std::unique_ptr<RunningProgram> program;
    {
        // Inherited by the program: every write stops part-way, as on a nearly
        // full disk. Room enough for the small files a save makes on its way
        // (QSettings' lock file), not for the stored files themselves.
        const FileSizeLimit noRoom(before.value(QStringLiteral("settings.ini")).size() / 2);
        program = std::make_unique<RunningProgram>(folder);
    }
    REQUIRE_BUILT(*program);
    QProcess* process = program->process.get();
    QVERIFY(!TestAppFolder::terminate(process));
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QVERIFY(process->exitCode() != 0);
    const QStringList stderrLines
        = QString::fromLocal8Bit(process->readAllStandardError()).split(QLatin1Char('\n'));
    for (const QString& name : names) {
        QCOMPARE(folder.readFile(name), before.value(name));
        // Named, with the reason as the system gave it after the name.
        const QStringList reported = stderrLines.filter(folder.filePath(name));
        QVERIFY2(reported.size() == 1, qPrintable(stderrLines.join(QLatin1Char('\n'))));
        QVERIFY2(reported.first().section(folder.filePath(name), 1).size() > 2, qPrintable(reported.first()));
    }
}

void tst_MainWindowStoredFiles::unwritableFileReported_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("savedBeforeJournal");
    QTest::newRow("users") << "users" << QByteArray() << true;
    QTest::newRow("widget file") << "standart_widgets/pump.sw" << QByteArray("{}") << true;
    QTest::newRow("settings") << "settings.ini" << QByteArray() << true;
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
    QVERIFY(folder.writeFile(QStringLiteral("users"), "{\"1\": " + QByteArray(OPERATOR_USER) + "}"));
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
    const QByteArray answer = signedInRequest(port, "operator", R"({"password":"demo"})");
    QVERIFY2(answer.startsWith("HTTP/1.0 200"), answer.constData());
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

// What a browser stores for its user is in the file seconds later, while the
// program runs: a kill after that costs nothing.
void tst_MainWindowStoredFiles::browserSettingsSavedBeforeAKill()
{
    TestAppFolder folder;
    QVERIFY(folder.install());
    const quint16 port = freeServerPort();
    QVERIFY(folder.writeFile(QStringLiteral("settings.ini"), goodSettings(port)));
    QVERIFY(folder.writeFile(QStringLiteral("users"), "{\"1\": " + QByteArray(OPERATOR_USER) + "}"));

    RunningProgram program(folder);
    REQUIRE_BUILT(program);
    const QByteArray answer = signedInRequest(
        port, "operator", R"({"password":"demo","USERS_DATA":{"settings":{"zoom":"large"}}})");
    QVERIFY2(answer.startsWith("HTTP/1.0 200"), answer.constData());
    const auto stored = [&] {
        return memberAt(folder.readFile(QStringLiteral("users")), QStringLiteral("1/settings/zoom"));
    };
    QTRY_COMPARE_WITH_TIMEOUT(stored(), QVariant(QStringLiteral("large")), SAVED_WHILE_RUNNING_TIMEOUT_MS);
    QCOMPARE(program.process->state(), QProcess::Running);
    program.process->kill();
    QVERIFY(program.process->waitForFinished());
    QCOMPARE(stored(), QVariant(QStringLiteral("large")));
    QCOMPARE(memberAt(folder.readFile(QStringLiteral("users")), QStringLiteral("1/password")),
        QVariant(QStringLiteral("demo")));
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
