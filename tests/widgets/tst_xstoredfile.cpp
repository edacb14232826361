#include "filesizelimit.h"
#include "xstoredfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {
// A save puts a new file in place of the old one; a file left alone keeps its inode.
quint64 inode(const QString& path)
{
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? quint64(status.st_ino) : 0;
}

// Writes the bytes as another program would, past the helper under test.
bool writeRaw(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readRaw(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Notes every failure told while it lives.
struct FailureLog
{
    FailureLog()
    {
        XStoredFile::setFailureHandler([this](const QString& path, const QString& reason) {
            paths << path;
            reasons << reason;
        });
    }
    ~FailureLog() { XStoredFile::setFailureHandler(nullptr); }
    QStringList paths;
    QStringList reasons;
};

bool hasNumberMember(const QVariantMap& map)
{
    return map.value(QStringLiteral("n")).userType() == QMetaType::QString;
}
}

// The stored-file helper's judgement of INI files and of save leftovers.
class tst_XStoredFile : public QObject
{
    Q_OBJECT

private slots:
    void iniWrittenByQSettingsIsReadable_data();
    void iniWrittenByQSettingsIsReadable();
    void handWrittenIni_data();
    void handWrittenIni();
    void unreadableIniKeptAsNumberedCopies();
    void saveLeftovers_data();
    void saveLeftovers();
    void failedWriteIsReported();
    void unchangedContentNotRewritten_data();
    void unchangedContentNotRewritten();
    void contentKnownSinceReading_data();
    void contentKnownSinceReading();
    void wrongTypedFileCopiedOnce();
    void originalNotReplacedBeforeItsCopy();
    void writeStoppedPartWayLeavesTheOldFile();
    void iniWrittenAsQSettingsWritesIt_data();
    void iniWrittenAsQSettingsWritesIt();
    void iniStoppedPartWayLeavesTheOldFile();
};

void tst_XStoredFile::iniWrittenByQSettingsIsReadable_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::newRow("text with quote, backslash and semicolon") << QVariant(QStringLiteral("a \"b\" \\ c; d"));
    QTest::newRow("text with line breaks") << QVariant(QStringLiteral("line 1\nline 2\r\n"));
    QTest::newRow("text starting with @") << QVariant(QStringLiteral("@ByteArray(not bytes"));
    QTest::newRow("text with comma and equals") << QVariant(QStringLiteral("x=1, y=2"));
    QTest::newRow("blank-edged text") << QVariant(QStringLiteral("  padded  "));
    QTest::newRow("bytes with every value") << QVariant([] {
        QByteArray bytes;
        for (int i = 0; i < 256; ++i)
            bytes += char(i);
        return bytes;
    }());
    QTest::newRow("list with typed and plain elements")
        << QVariant(QVariantList { QByteArray("a)b"), QStringLiteral("plain"), QStringLiteral("@at") });
    QTest::newRow("map") << QVariant(
        QVariantMap { { "name", "Boiler \"room\"" }, { "size", QSize(360, 200) } });
    QTest::newRow("rectangle") << QVariant(QRect(1, 2, 3, 4));
    QTest::newRow("empty text") << QVariant(QString());
    QTest::newRow("non-Latin text") << QVariant(QStringLiteral("Kesselraum \u00fc \u4e2d"));
}

// Whatever QSettings writes must never be taken for damage: the file would be
// moved aside and the program start on its defaults.
void tst_XStoredFile::iniWrittenByQSettingsIsReadable()
{
    QFETCH(QVariant, value);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.setValue(QStringLiteral("group with blank/key \"quoted\""), value);
        settings.setValue(QStringLiteral("after"), true);
    }
    QVERIFY(XStoredFile::isReadableIniOrMissing(path));
    QCOMPARE(XStoredFile::keepUnreadableIni(path), QString());
    QVERIFY(QFile::exists(path));
}

void tst_XStoredFile::handWrittenIni_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("readable");
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("blank lines only") << QByteArray("\n  \n") << true;
    QTest::newRow("comments with quotes") << QByteArray("; a \"comment\n[a]\nk=v ; \"trailing\n") << true;
    QTest::newRow("escaped quote inside quotes") << QByteArray("k=\"say \\\"hi\\\"\"\nnext=1\n") << true;
    QTest::newRow("quoted line break escape") << QByteArray("k=\"a\\nb\"\n") << true;
    QTest::newRow("stray quote swallows the next key")
        << QByteArray("[web_server]\ndelay=500\"\nsecureConnection=true\n") << false;
    QTest::newRow("stray quote on the last line") << QByteArray("k=\"open\n") << false;
    QTest::newRow("backslash at the end of a line") << QByteArray("k=a\\\nnext=1\n") << false;
    QTest::newRow("typed value cut short")
        << QByteArray("[window]\ngeometry=@ByteArray(\\x1\\xd9\\xd0") << false;
    QTest::newRow("typed list element cut short") << QByteArray("k=@ByteArray(a), @Variant(\\0\n") << false;
    QTest::newRow("section without closing bracket") << QByteArray("[web_server\nenabled=true\n") << false;
    QTest::newRow("line without equals sign") << QByteArray("[a]\nk=1\ngarbage\n") << false;
    QTest::newRow("zero bytes") << QByteArray(64, '\0') << false;
}

void tst_XStoredFile::handWrittenIni()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, readable);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QCOMPARE(XStoredFile::isReadableIniOrMissing(path), readable);
}

void tst_XStoredFile::unreadableIniKeptAsNumberedCopies()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    QCOMPARE(XStoredFile::keepUnreadableIni(path), QString());

    const QByteArray damaged = "[web_server\nport=1\n";
    for (const QString& expected :
        { path + QStringLiteral(".unreadable"), path + QStringLiteral(".unreadable.1") }) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(damaged);
        file.close();
        QCOMPARE(XStoredFile::keepUnreadableIni(path), expected);
        QVERIFY(!QFile::exists(path));
        QFile kept(expected);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), damaged);
    }

    // A folder in the place of the file goes aside whole.
    QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
    QCOMPARE(XStoredFile::keepUnreadableIni(path), path + QStringLiteral(".unreadable.2"));
    QVERIFY(QFileInfo(path + QStringLiteral(".unreadable.2/inside")).isDir());
}

void tst_XStoredFile::saveLeftovers_data()
{
    QTest::addColumn<QString>("wildcard");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("removed");
    QTest::newRow("temporary of a file") << "users"
                                         << "users.hhGQbK" << true;
    QTest::newRow("temporary of a dotted name") << "settings.ini"
                                                << "settings.ini.QwErTy" << true;
    QTest::newRow("temporary of a widget file") << "*.sw"
                                                << "pump.1.sw.XyZabc" << true;
    QTest::newRow("word typed by somebody") << "users"
                                            << "users.backup" << false;
    QTest::newRow("upper-case word") << "users"
                                     << "users.BACKUP" << false;
    QTest::newRow("five letters") << "users"
                                  << "users.hhGQb" << false;
    QTest::newRow("seven letters") << "users"
                                   << "users.hhGQbKx" << false;
    QTest::newRow("digit in the suffix") << "users"
                                         << "users.hhG1bK" << false;
    QTest::newRow("further extension") << "users"
                                       << "users.hhGQbK.txt" << false;
    QTest::newRow("other stored name") << "users"
                                       << "userz.hhGQbK" << false;
    QTest::newRow("name only ending like it") << "users"
                                              << "oldusers.hhGQbK" << false;
    QTest::newRow("widget pattern, no widget file") << "*.sw"
                                                    << "pump.swx.XyZabc" << false;
    QTest::newRow("the stored file itself") << "*.sw"
                                            << "pump.sw" << false;
}

void tst_XStoredFile::saveLeftovers()
{
    QFETCH(QString, wildcard);
    QFETCH(QString, name);
    QFETCH(bool, removed);
    QTemporaryDir dir;
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("{\n");
    file.close();

    QCOMPARE(XStoredFile::removeSaveLeftovers(dir.path(), wildcard),
        removed ? QStringList { name } : QStringList());
    QCOMPARE(QFile::exists(dir.filePath(name)), !removed);
}

void tst_XStoredFile::failedWriteIsReported()
{
    QTemporaryDir dir;
    QStringList reports;
    XStoredFile::setFailureHandler(
        [&](const QString& path, const QString& reason) { reports << path << reason; });

    // A file inside a folder that does not exist cannot be written, by anybody.
    const QString path = dir.filePath(QStringLiteral("missing/users"));
    QVERIFY(!XStoredFile::writeJsonObject(path, { { "1", 1 } }));
    QCOMPARE(reports.size(), 2);
    QCOMPARE(reports.at(0), path);
    QVERIFY(!reports.at(1).isEmpty());

    reports.clear();
    QVERIFY(XStoredFile::writeJsonObject(dir.filePath(QStringLiteral("users")), { { "1", 1 } }));
    QVERIFY(reports.isEmpty());
    XStoredFile::setFailureHandler(nullptr);
}

void tst_XStoredFile::unchangedContentNotRewritten_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QVariantMap>("map");
    QTest::addColumn<bool>("rewritten");
    const QVariantMap map { { "1", 1 } };
    const QByteArray asWritten = QJsonDocument(QJsonObject::fromVariantMap(map)).toJson();
    QTest::newRow("same bytes") << asWritten << map << false;
    QTest::newRow("other value") << asWritten << QVariantMap { { "1", 2 } } << true;
    QTest::newRow("same object, other layout")
        << QJsonDocument(QJsonObject::fromVariantMap(map)).toJson(QJsonDocument::Compact) << map << true;
    QTest::newRow("one byte more") << asWritten + ' ' << map << true;
}

void tst_XStoredFile::unchangedContentNotRewritten()
{
    QFETCH(QByteArray, stored);
    QFETCH(QVariantMap, map);
    QFETCH(bool, rewritten);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("users"));
    QVERIFY(writeRaw(path, stored));
    const quint64 before = inode(path);
    QVERIFY(before != 0);

    QVERIFY(XStoredFile::writeJsonObject(path, map));
    QCOMPARE(inode(path) != before, rewritten);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QJsonDocument(QJsonObject::fromVariantMap(map)).toJson());
    QVERIFY(!QFileInfo::exists(path + QStringLiteral(".unreadable")));
}

void tst_XStoredFile::contentKnownSinceReading_data()
{
    QTest::addColumn<QVariantMap>("map");
    QTest::addColumn<QByteArray>("changedOnDisk");
    QTest::addColumn<bool>("rewritten");
    // As a hand or another program writes it: compact, numbers without types.
    const QVariantMap same { { "n", 5 }, { "s", "a" }, { "l", QStringList { "1", "2" } },
        { "m", QVariantMap { { "x", 0.5 }, { "on", true } } } };
    QVariantMap numberAsText = same;
    numberAsText.insert("n", "5");
    QVariantMap listAsText = same;
    listAsText.insert("l", "1,2");
    QTest::newRow("same content") << same << QByteArray() << false;
    QTest::newRow("a number became its text") << numberAsText << QByteArray() << true;
    QTest::newRow("a list became a text") << listAsText << QByteArray() << true;
    QTest::newRow("changed by somebody else since") << same << QByteArray(R"({"n":6})") << true;
}

void tst_XStoredFile::contentKnownSinceReading()
{
    QFETCH(QVariantMap, map);
    QFETCH(QByteArray, changedOnDisk);
    QFETCH(bool, rewritten);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pump.sw"));
    const QByteArray stored = R"({"l":["1","2"],"m":{"on":true,"x":0.5},"n":5,"s":"a"})";
    QVERIFY(writeRaw(path, stored));
    QVariantMap read;
    QVERIFY(XStoredFile::readJsonObject(path, &read));
    if (!changedOnDisk.isEmpty())
        QVERIFY(writeRaw(path, changedOnDisk));
    const quint64 before = inode(path);

    QVERIFY(XStoredFile::writeJsonObject(path, map));
    QCOMPARE(inode(path) != before, rewritten);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), rewritten ? QJsonDocument(QJsonObject::fromVariantMap(map)).toJson() : stored);
}

// The copy of a file read converted is the file as it was, kept once however
// often the same file is met, and never in place of another copy.
void tst_XStoredFile::wrongTypedFileCopiedOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("users"));
    const QByteArray first = R"({"n": 5, "s": "a"})";
    QVERIFY(writeRaw(path, first));
    QVariantMap map;
    QString kept;
    QCOMPARE(XStoredFile::readJsonObject(path, &map, hasNumberMember, &kept), XStoredFile::Found::Converted);
    QCOMPARE(map.value(QStringLiteral("s")).toString(), QStringLiteral("a"));
    QCOMPARE(kept, path + QStringLiteral(".original"));
    QCOMPARE(readRaw(kept), first);
    QCOMPARE(readRaw(path), first);

    // Met again as it was (the program did not get to save it): the same copy.
    QCOMPARE(XStoredFile::readJsonObject(path, &map, hasNumberMember, &kept), XStoredFile::Found::Converted);
    QCOMPARE(kept, path + QStringLiteral(".original"));
    const QByteArray second = R"({"n": 6})";
    QVERIFY(writeRaw(path, second));
    QCOMPARE(XStoredFile::readJsonObject(path, &map, hasNumberMember, &kept), XStoredFile::Found::Converted);
    QCOMPARE(kept, path + QStringLiteral(".original.1"));
    QCOMPARE(readRaw(kept), second);
    QCOMPARE(readRaw(path + QStringLiteral(".original")), first);

    QVERIFY(writeRaw(path, R"({"n": "5"})"));
    QCOMPARE(XStoredFile::readJsonObject(path, &map, hasNumberMember, &kept), XStoredFile::Found::WellTyped);
    QCOMPARE(kept, QString());
    QVERIFY(writeRaw(path, R"({"n": )"));
    QCOMPARE(XStoredFile::readJsonObject(path, &map, hasNumberMember, &kept), XStoredFile::Found::Unreadable);
    QCOMPARE(readRaw(path), QByteArray(R"({"n": )"));
    QCOMPARE(XStoredFile::readJsonObject(dir.filePath(QStringLiteral("none")), &map, hasNumberMember, &kept),
        XStoredFile::Found::Missing);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 3);
}

// Until the file as it was is kept beside it, no save replaces it: it is the
// only record of the values that were converted.
void tst_XStoredFile::originalNotReplacedBeforeItsCopy()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("users"));
    const QByteArray original = R"({"n": 5, "s": ")" + QByteArray(2048, 's') + R"("})";
    QVERIFY(writeRaw(path, original));
    const QVariantMap converted { { "n", "5" } };
    FailureLog log;
    {
        const FileSizeLimit noRoom(1024);
        QVariantMap map;
        QString kept;
        QCOMPARE(
            XStoredFile::readJsonObject(path, &map, hasNumberMember, &kept), XStoredFile::Found::Converted);
        QCOMPARE(kept, QString());
        // Small enough for the disk, but it would take the place of the only record.
        QVERIFY(!XStoredFile::writeJsonObject(path, converted));
        QCOMPARE(readRaw(path), original);
    }
    QVERIFY2(log.paths.contains(path + QStringLiteral(".original")) && log.paths.contains(path),
        qPrintable(log.paths.join(QLatin1Char(' '))));

    QVERIFY(XStoredFile::writeJsonObject(path, converted));
    QCOMPARE(readRaw(path + QStringLiteral(".original")), original);
    QCOMPARE(QJsonDocument::fromJson(readRaw(path)).object().toVariantMap(), converted);
}

// A write that stops part-way, as on a full disk, leaves the old file as it
// was and is told with the system's reason; a later good write takes the
// failure back.
void tst_XStoredFile::writeStoppedPartWayLeavesTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("users"));
    const QByteArray before = R"({"1": {"userName": "anna"}})";
    QVERIFY(writeRaw(path, before));
    const QVariantMap larger { { "1", QVariantMap { { "userName", QString(4096, QLatin1Char('a')) } } } };
    FailureLog log;
    {
        const FileSizeLimit noRoom(1024);
        QVERIFY(!XStoredFile::writeJsonObject(path, larger));
    }
    QCOMPARE(readRaw(path), before);
    QCOMPARE(log.paths, QStringList { path });
    QVERIFY2(log.reasons.first().contains(QStringLiteral("large")), qPrintable(log.reasons.first()));
    QVERIFY(XStoredFile::hasFailed(path));
    QVERIFY(XStoredFile::anyWriteFailed());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("users") });

    QVERIFY(XStoredFile::writeJsonObject(path, larger));
    QVERIFY(!XStoredFile::hasFailed(path));
}

void tst_XStoredFile::iniWrittenAsQSettingsWritesIt_data()
{
    iniWrittenByQSettingsIsReadable_data();
}

// The one writer puts down what QSettings would: the same bytes, which read
// back to the same values.
void tst_XStoredFile::iniWrittenAsQSettingsWritesIt()
{
    QFETCH(QVariant, value);
    QTemporaryDir dir;
    const QString byQSettings = dir.filePath(QStringLiteral("by-qsettings.ini"));
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    const QString key = QStringLiteral("group with blank/key \"quoted\"");
    {
        QSettings settings(byQSettings, QSettings::IniFormat);
        settings.setValue(QStringLiteral("after"), true);
        settings.setValue(key, value);
        settings.setValue(QStringLiteral("web_server/port"), 18080);
    }
    {
        const QSettings settings(byQSettings, QSettings::IniFormat);
        QVERIFY(XStoredFile::writeIni(path, settings));
    }
    QCOMPARE(readRaw(path), readRaw(byQSettings));
    const QSettings readBack(path, QSettings::IniFormat);
    QCOMPARE(readBack.value(key), value);
    QCOMPARE(readBack.value(QStringLiteral("web_server/port")).toInt(), 18080);
}

// QSettings' own save, stopped part-way, would put the stopped text in place
// of the file and say nothing.
void tst_XStoredFile::iniStoppedPartWayLeavesTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    const QByteArray before = "[groups]\nHall=@Variant(\\0\\0\\0\\b\\0\\0\\0\\0)\n";
    QVERIFY(writeRaw(path, before));
    QTemporaryDir other;
    QSettings settings(other.filePath(QStringLiteral("working.ini")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("window/geometry"), QByteArray(2048, 'g'));
    FailureLog log;
    {
        const FileSizeLimit noRoom(1024);
        QVERIFY(!XStoredFile::writeIni(path, settings));
    }
    QCOMPARE(readRaw(path), before);
    QCOMPARE(log.paths, QStringList { path });
    QVERIFY2(log.reasons.first().contains(QStringLiteral("large")), qPrintable(log.reasons.first()));
    QVERIFY(XStoredFile::writeIni(path, settings));
    QCOMPARE(QSettings(path, QSettings::IniFormat).value(QStringLiteral("window/geometry")).toByteArray(),
        QByteArray(2048, 'g'));
}

QTEST_GUILESS_MAIN(tst_XStoredFile)
#include "tst_xstoredfile.moc"
