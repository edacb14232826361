#include "autorun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class tst_Autorun : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanupTestCase();
    void entryPath_data();
    void entryPath();
    void execValue_data();
    void execValue();
    void onAndOff();

private:
    QTemporaryDir m_home;
};

void tst_Autorun::init()
{
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
}

void tst_Autorun::cleanupTestCase()
{
    qunsetenv("XDG_CONFIG_HOME");
}

void tst_Autorun::entryPath_data()
{
    QTest::addColumn<bool>("set");
    QTest::addColumn<QString>("configHome");
    QTest::addColumn<bool>("underConfigHome");

    QTest::newRow("absolute XDG_CONFIG_HOME is used")
        << true << QStringLiteral("/tmp/velmora-config") << true;
    QTest::newRow("unset falls back to ~/.config") << false << QString() << false;
    QTest::newRow("empty falls back to ~/.config") << true << QString() << false;
    QTest::newRow("relative is ignored") << true << QStringLiteral("relative/config") << false;
}

void tst_Autorun::entryPath()
{
    QFETCH(bool, set);
    QFETCH(QString, configHome);
    QFETCH(bool, underConfigHome);
    if (set)
        qputenv("XDG_CONFIG_HOME", configHome.toLocal8Bit());

    const QString base = underConfigHome ? configHome : m_home.path() + QStringLiteral("/.config");
    QCOMPARE(Autorun::entryPath(), base + QStringLiteral("/autostart/Velmora.desktop"));
}

// Expected values follow the desktop-entry rules: the argument in double
// quotes with " ` $ \ escaped, % doubled, then the string escapes (\\ \n).
void tst_Autorun::execValue_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("exec");

    QTest::newRow("plain path") << QStringLiteral("/opt/velmora/panelhost")
                                << QStringLiteral(R"("/opt/velmora/panelhost")");
    QTest::newRow("spaces stay inside the quotes")
        << QStringLiteral("/home/a b/panel host") << QStringLiteral(R"("/home/a b/panel host")");
    QTest::newRow("shell characters escaped")
        << QStringLiteral(R"(/x/$HOME/`a`/"q")") << QStringLiteral(R"("/x/\\$HOME/\\`a\\`/\\"q\\"")");
    QTest::newRow("backslash escaped twice")
        << QStringLiteral(R"(/x/a\b)") << QStringLiteral(R"("/x/a\\\\b")");
    QTest::newRow("percent is no field code")
        << QStringLiteral("/x/100%u") << QStringLiteral(R"("/x/100%%u")");
    QTest::newRow("newline cannot end the line")
        << QStringLiteral("/x/a\nb") << QStringLiteral(R"("/x/a\nb")");
}

void tst_Autorun::execValue()
{
    QFETCH(QString, path);
    QFETCH(QString, exec);
    QCOMPARE(Autorun::execValue(path), exec);
}

void tst_Autorun::onAndOff()
{
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    const QString entry = configHome.path() + QStringLiteral("/autostart/Velmora.desktop");

    QVERIFY(!Autorun::isOn());
    QVERIFY(Autorun::setOff());

    QVERIFY(Autorun::setOn(QStringLiteral("/opt/old/panelhost")));
    QVERIFY(Autorun::setOn(QStringLiteral("/opt/velmora/panelhost")));
    QVERIFY(Autorun::isOn());
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.value(0), QByteArray("[Desktop Entry]"));
    QVERIFY(lines.contains("Type=Application"));
    QVERIFY(lines.contains("Name=Velmora"));
    QVERIFY(lines.contains("Exec=\"/opt/velmora/panelhost\""));
    QCOMPARE(QDir(configHome.path() + QStringLiteral("/autostart")).entryList(QDir::Files),
        QStringList { QStringLiteral("Velmora.desktop") });

    QVERIFY(Autorun::setOff());
    QVERIFY(!Autorun::isOn());
    QVERIFY(!QFile::exists(entry));
}

QTEST_GUILESS_MAIN(tst_Autorun)
#include "tst_autorun.moc"
