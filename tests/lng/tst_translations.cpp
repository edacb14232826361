#include "applicationdata.h"
#include "mainwindow.h"
#include "testappfolder.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {
const int LUPDATE_TIMEOUT_MS = 60000;
const char GERMAN_CATALOGUE[] = "lng/de.ts";

// Texts of a catalogue that have no finished translation, as "context: text".
QStringList unfinishedTexts(const QString& tsFile)
{
    QFile file(tsFile);
    if (!file.open(QIODevice::ReadOnly))
        return { QStringLiteral("cannot read ") + tsFile };
    QStringList unfinished;
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const bool markedUnfinished = xml.attributes().value(QLatin1String("type")) == QLatin1String("unfinished");
            const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            if (markedUnfinished || text.trimmed().isEmpty())
                unfinished << context + QStringLiteral(": ") + source;
        }
    }
    if (xml.hasError())
        unfinished << tsFile + QStringLiteral(": ") + xml.errorString();
    return unfinished;
}
}

// Every translatable text of the sources has a German translation in the
// catalogue that ships with them. lupdate merges the texts it finds in the
// sources into a copy of the catalogue, so a new tr() text shows up unfinished.
class tst_Translations : public QObject
{
    Q_OBJECT

private slots:
    void everyTextHasGerman_data();
    void everyTextHasGerman();
    void germanReachesProgramPluginsAndQt();
};

void tst_Translations::everyTextHasGerman_data()
{
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QStringList>("sourceDirs");

    const QDir root(QStringLiteral(SOURCE_DIR));
    QStringList programDirs;
    for (const char* dir : { "app", "widgets", "webserver", "platform" })
        programDirs << root.filePath(QLatin1String(dir));
    QTest::newRow("program") << root.filePath(QLatin1String(GERMAN_CATALOGUE)) << programDirs;

    // Each plug-in library and each extension carries its own catalogue.
    for (const char* area : { "plugins", "extensions" }) {
        const QDir libraries(root.filePath(QLatin1String(area)));
        for (const QString& library : libraries.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QDir dir(libraries.filePath(library));
            if (!dir.exists(QStringLiteral("CMakeLists.txt")))
                continue;
            QTest::newRow(qPrintable(QLatin1String(area) + QLatin1Char('/') + library))
                << dir.filePath(QLatin1String(GERMAN_CATALOGUE)) << QStringList{ dir.path() };
        }
    }
}

void tst_Translations::everyTextHasGerman()
{
    QFETCH(QString, catalogue);
    QFETCH(QStringList, sourceDirs);
    QVERIFY2(QFile::exists(catalogue), qPrintable(QStringLiteral("no German catalogue ") + catalogue));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString merged = dir.filePath(QStringLiteral("de.ts"));
    QVERIFY(QFile::copy(catalogue, merged));

    QProcess lupdate;
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(QStringLiteral(LUPDATE), QStringList{ QStringLiteral("-no-obsolete"), QStringLiteral("-locations"),
        QStringLiteral("none") } + sourceDirs + QStringList{ QStringLiteral("-ts"), merged });
    QVERIFY2(lupdate.waitForFinished(LUPDATE_TIMEOUT_MS), qPrintable(lupdate.errorString()));
    const QByteArray output = lupdate.readAll();
    QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0, output.constData());
    // lupdate leaves a catalogue without a language as it is, and says so only.
    QVERIFY2(!output.contains("won't be updated"), output.constData());

    const QStringList unfinished = unfinishedTexts(merged);
    QVERIFY2(unfinished.isEmpty(),
        qPrintable(QStringLiteral("without German in %1:\n  %2").arg(catalogue, unfinished.join(QStringLiteral("\n  ")))));
}

void tst_Translations::germanReachesProgramPluginsAndQt()
{
    TestAppFolder::cleanOwnFolder();
    TestAppFolder::linkStagedFolders();
    // The program's own catalogues, which other tests of this kind replace by
    // test catalogues in their own folders.
    const QString lng = TestAppFolder::ownFilePath(QStringLiteral("lng"));
    if (!QFileInfo(lng).isSymLink())
        QVERIFY(QFile::link(TestAppFolder::stageDir() + QStringLiteral("/lng"), lng));
    TestAppFolder::writeOwnFile(QStringLiteral("settings.ini"), "[General]\nlanguage=de\n");
    TestAppFolder::writeOwnFile(QStringLiteral("modules/Requests.xmodule"),
        QJsonDocument(QJsonObject{ { QStringLiteral("libName"), QStringLiteral("Webquery") } }).toJson());

    ApplicationData applicationData;
    {
        MainWindow window(&applicationData);
        QCOMPARE(QCoreApplication::translate("MainWindow", "Clear journal"), QStringLiteral("Journal leeren"));
        QCOMPARE(QCoreApplication::translate("UsersSettingsDialog", "Delete user"), QStringLiteral("Benutzer löschen"));
        QCOMPARE(QCoreApplication::translate("TableModel", "Condition"), QStringLiteral("Bedingung"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));

        // The module's translator is installed before its tab is built.
        QStringList boxTexts;
        for (const QCheckBox* box : window.findChildren<QCheckBox*>())
            boxTexts << box->text();
        QVERIFY2(boxTexts.contains(QStringLiteral("Antwort in die Komponente schreiben")),
            qPrintable(boxTexts.join(QStringLiteral(", "))));
    }
    QCOMPARE(QCoreApplication::translate("TableModel", "Condition"), QStringLiteral("Condition"));
    TestAppFolder::cleanOwnFolder();
}

QTEST_MAIN(tst_Translations)
#include "tst_translations.moc"
