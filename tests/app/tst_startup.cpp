#include "freeport.h"
#include "testappfolder.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QSharedMemory>
#include <QTcpSocket>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {
// The guard's segment: the mailbox, then the process ID of its owner.
const int GUARD_SEGMENT_SIZE = 2 * int(sizeof(qint32));

QProcessEnvironment offscreen()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}
}

// The real programs, started from installed application folders.
class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void secondStartHandsOver_data();
    void secondStartHandsOver();
    void leftoverGuardDoesNotRefuse_data();
    void leftoverGuardDoesNotRefuse();
    void copiesInDifferentFoldersRunSideBySide();
    void placementSavedWhenTerminated();
    void descriptorsAreCloseOnExec();
};

void tst_Startup::secondStartHandsOver_data()
{
    QTest::addColumn<bool>("console");
    QTest::newRow("panelhost") << false;
    QTest::newRow("panelhost_console") << true;
}

void tst_Startup::secondStartHandsOver()
{
    QFETCH(bool, console);
    TestAppFolder folder;
    QVERIFY(folder.install());

    std::unique_ptr<QProcess> first(folder.start(console));
    QCOMPARE(first->state(), QProcess::Running);
    QTRY_COMPARE_WITH_TIMEOUT(folder.mailboxValue(console), 0, 5000);

    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(environment);
    second.start(folder.program(console), QStringList());
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY2(second.readAllStandardError().contains("The application is already running"),
        "the second start reports the running instance");
    // The running instance may keep journal column widths there already; a
    // second instance that had built its window would have saved its placement.
    QVERIFY(!QSettings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
                 .contains(QStringLiteral("window/geometry")));

    // The first instance picks the request up on its one-second tick.
    QTRY_COMPARE_WITH_TIMEOUT(folder.mailboxValue(console), 0, 1500);
    QCOMPARE(first->state(), QProcess::Running);
    QVERIFY(TestAppFolder::terminate(first.get()));
}

void tst_Startup::leftoverGuardDoesNotRefuse_data()
{
    QTest::addColumn<bool>("ownerKilled");
    QTest::newRow("owner killed, its segment still attached") << true;
    QTest::newRow("owner's process ID now another program's") << false;
}

// A segment that outlives its instance with an attachment still counted used
// to refuse every later start; this process holds that attachment here.
void tst_Startup::leftoverGuardDoesNotRefuse()
{
    QFETCH(bool, ownerKilled);
    TestAppFolder folder;
    QVERIFY(folder.install());
    QSharedMemory leftover(folder.program() + QStringLiteral("_2"));

    if (ownerKilled) {
        std::unique_ptr<QProcess> owner(folder.start());
        QTRY_COMPARE_WITH_TIMEOUT(folder.mailboxValue(), 0, 5000);
        QVERIFY(leftover.attach());
        owner->kill();
        QVERIFY(owner->waitForFinished(5000));
    } else {
        QVERIFY(leftover.create(GUARD_SEGMENT_SIZE));
        auto* words = static_cast<qint32*>(leftover.data());
        words[0] = 0;
        words[1] = qint32(::getpid());
    }

    std::unique_ptr<QProcess> next(folder.start());
    const auto owner = [&leftover] { return static_cast<const qint32*>(leftover.constData())[1]; };
    QTRY_COMPARE_WITH_TIMEOUT(qint64(owner()), next->processId(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(folder.mailboxValue(), 0, 5000);
    QCOMPARE(next->state(), QProcess::Running);

    // The new instance holds the guard: a further start is handed over to it.
    QProcess further;
    further.setProcessEnvironment(offscreen());
    further.start(folder.program(), QStringList());
    QVERIFY(further.waitForFinished(10000));
    QCOMPARE(further.exitCode(), 0);
    QVERIFY(further.readAllStandardError().contains("The application is already running"));
    QTRY_COMPARE_WITH_TIMEOUT(folder.mailboxValue(), 0, 1500);
    QCOMPARE(next->state(), QProcess::Running);
    QVERIFY(TestAppFolder::terminate(next.get()));
}

void tst_Startup::copiesInDifferentFoldersRunSideBySide()
{
    TestAppFolder folderA;
    TestAppFolder folderB;
    QVERIFY(folderA.install());
    QVERIFY(folderB.install());
    std::unique_ptr<QProcess> a(folderA.start());
    std::unique_ptr<QProcess> b(folderB.start());
    // Each made the mailbox of its own folder, which it does only once it has
    // found no instance running there.
    QVERIFY(folderA.mailboxValue() >= 0);
    QVERIFY(folderB.mailboxValue() >= 0);
    QCOMPARE(a->state(), QProcess::Running);
    QCOMPARE(b->state(), QProcess::Running);
    QVERIFY(TestAppFolder::terminate(a.get()));
    QVERIFY(TestAppFolder::terminate(b.get()));
}

void tst_Startup::placementSavedWhenTerminated()
{
    TestAppFolder folder;
    QVERIFY(folder.install());
    std::unique_ptr<QProcess> process(folder.start());
    QCOMPARE(process->state(), QProcess::Running);
    QVERIFY(TestAppFolder::terminate(process.get()));

    QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    QVERIFY(!settings.value(QStringLiteral("window/geometry")).toByteArray().isEmpty());
    QVERIFY(!settings.value(QStringLiteral("window/windowState")).toByteArray().isEmpty());
}

void tst_Startup::descriptorsAreCloseOnExec()
{
    // A program started from the panel (an extension's helper, the
    // spreadsheet program) must hold none of ours: not the signal pipe, not a
    // socket, and not what the program was itself given by whoever started
    // it (here a pipe of this test).
    TestAppFolder folder;
    QVERIFY(folder.install());
    const quint16 port = freeServerPort();
    {
        QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("web_server/enabled"), true);
        settings.setValue(QStringLiteral("web_server/port"), port);
    }
    int given[2] = { -1, -1 };
    QCOMPARE(::pipe(given), 0);
    std::unique_ptr<QProcess> process(folder.start());
    ::close(given[0]);
    ::close(given[1]);
    QCOMPARE(process->state(), QProcess::Running);
    // Serving, with a connection of its own open.
    QTcpSocket client;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&]() {
            client.abort();
            client.connectToHost(QHostAddress::LocalHost, port);
            return client.waitForConnected(200);
        }(),
        30000);

    const QDir fdinfo(QStringLiteral("/proc/%1/fdinfo").arg(process->processId()));
    QStringList inherited;
    int looked = 0;
    for (const QString& name : fdinfo.entryList(QDir::Files)) {
        if (name.toInt() <= 2)
            continue;
        QFile info(fdinfo.filePath(name));
        if (!info.open(QIODevice::ReadOnly))
            continue;
        ++looked;
        for (const QByteArray& line : info.readAll().split('\n')) {
            bool ok = false;
            if (line.startsWith("flags:") && !(line.mid(6).trimmed().toInt(&ok, 8) & O_CLOEXEC)) {
                char target[256] = {};
                const QByteArray link
                    = QStringLiteral("/proc/%1/fd/%2").arg(process->processId()).arg(name).toUtf8();
                const ssize_t length = ::readlink(link.constData(), target, sizeof(target) - 1);
                inherited << name + QStringLiteral(" -> ")
                        + QString::fromUtf8(target, int(qMax<ssize_t>(0, length)));
            }
        }
    }
    QVERIFY(looked > 3);
    QVERIFY2(inherited.isEmpty(), qPrintable(inherited.join(QStringLiteral(", "))));
    client.abort();
    QVERIFY(TestAppFolder::terminate(process.get()));
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
