#include "applicationdata.h"
#include "mainwindow.h"
#include "testappfolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTabWidget>
#include <QtTest>

// The main window built in this process, on this test's own application folder.
class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void titleAndIcon();
    void firstTabIsCurrent();
    void styleSheet_data();
    void styleSheet();
    void translationOfConfiguredLanguage();
    void mailboxActivatesWindow();
    void placementRoundTrip();

private:
    ApplicationData* m_applicationData = nullptr;
};

void tst_MainWindow::init()
{
    TestAppFolder::cleanOwnFolder();
    qApp->setStyleSheet(QString());
    m_applicationData = new ApplicationData;
    QCoreApplication::setApplicationName(m_applicationData->applicationName());
    QCoreApplication::setApplicationVersion(QStringLiteral("3.2.3 build 200117"));
}

void tst_MainWindow::cleanup()
{
    delete m_applicationData;
    m_applicationData = nullptr;
}

void tst_MainWindow::titleAndIcon()
{
    MainWindow window(m_applicationData);
    QCOMPARE(window.windowTitle(), QStringLiteral("Velmora Desk V3.2.3 build 200117"));
    QVERIFY(!window.windowIcon().isNull());
    QCOMPARE(window.size(), QSize(769, 513));
}

void tst_MainWindow::firstTabIsCurrent()
{
    MainWindow window(m_applicationData);
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    QVERIFY(tabs);
    QCOMPARE(tabs->currentIndex(), 0);
}

void tst_MainWindow::styleSheet_data()
{
    QTest::addColumn<QByteArray>("iniContent");
    QTest::addColumn<QByteArray>("css");
    QTest::addColumn<QString>("expected");

    const QByteArray css = "QLabel { color: red; }";
    QTest::newRow("useStyles absent applies") << QByteArray() << css << QString::fromUtf8(css);
    QTest::newRow("useStyles true applies")
        << QByteArray("[General]\nuseStyles=true\n") << css << QString::fromUtf8(css);
    QTest::newRow("useStyles false ignores")
        << QByteArray("[General]\nuseStyles=false\n") << css << QString();
    QTest::newRow("text ends at the first zero byte")
        << QByteArray() << QByteArray("QLabel { color: blue; }\0garbage", 32)
        << QStringLiteral("QLabel { color: blue; }");
}

void tst_MainWindow::styleSheet()
{
    QFETCH(QByteArray, iniContent);
    QFETCH(QByteArray, css);
    QFETCH(QString, expected);
    if (!iniContent.isEmpty())
        TestAppFolder::writeOwnFile(QStringLiteral("settings.ini"), iniContent);
    TestAppFolder::writeOwnFile(QStringLiteral("styles.css"), css);

    MainWindow window(m_applicationData);
    QCOMPARE(qApp->styleSheet(), expected);
}

void tst_MainWindow::translationOfConfiguredLanguage()
{
    QDir().mkpath(TestAppFolder::ownFilePath(QStringLiteral("lng")));
    QVERIFY(
        QFile::copy(QStringLiteral(TEST_QM_FILE), TestAppFolder::ownFilePath(QStringLiteral("lng/tt.qm"))));

    {
        MainWindow window(m_applicationData);
        auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
        QVERIFY(tabs->tabText(tabs->indexOf(window.findChild<QWidget*>(QStringLiteral("tab_Journal"))))
            == QStringLiteral("Journal"));
    }

    TestAppFolder::writeOwnFile(QStringLiteral("settings.ini"), "[General]\nlanguage=tt\n");
    MainWindow window(m_applicationData);
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    QCOMPARE(tabs->tabText(tabs->indexOf(window.findChild<QWidget*>(QStringLiteral("tab_Journal")))),
        QStringLiteral("Tagebuch"));
}

void tst_MainWindow::mailboxActivatesWindow()
{
    MainWindow window(m_applicationData);
    window.show();
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(!window.isActiveWindow());

    m_applicationData->setSharedValue(1);
    QVERIFY(QTest::qWaitFor([&] { return window.isActiveWindow(); }, 1500));
    QCOMPARE(m_applicationData->sharedValue(), 0);
}

void tst_MainWindow::placementRoundTrip()
{
    QByteArray savedGeometry;
    QSize size;
    {
        MainWindow window(m_applicationData);
        window.show();
        // The tabs' contents set a floor under the window's size.
        size = QSize(640, 420).expandedTo(window.minimumSizeHint());
        window.setGeometry(QRect(QPoint(120, 80), size));
        QTRY_COMPARE(window.geometry().size(), size);
        savedGeometry = window.saveGeometry();
    }
    {
        QSettings settings(TestAppFolder::ownFilePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        QVERIFY(settings.contains(QStringLiteral("window/geometry")));
        QVERIFY(settings.contains(QStringLiteral("window/windowState")));
    }
    MainWindow window(m_applicationData);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(size != QSize(769, 513));
    QCOMPARE(window.geometry().size(), size);
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
