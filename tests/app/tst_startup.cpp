#include "testappfolder.h"

#include <QProcess>
#include <QSettings>
#include <QtTest>

#include <memory>

// The real programs, started from installed application folders.
class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void secondStartHandsOver_data();
    void secondStartHandsOver();
    void copiesInDifferentFoldersRunSideBySide();
    void placementSavedWhenTerminated();
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

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
