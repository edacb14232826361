#include "axobject.h"
#include "fakeopener.h"
#include "workbookreader.h"

#include <QDir>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

class tst_AxObject : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void unknownControlIsNull();
    void queriesThatNameNothing_data();
    void queriesThatNameNothing();
    void sheetName_data();
    void sheetName();
    void rangeValue_data();
    void rangeValue();
    void shownOnlyWhenVisibleAndAfterTheCalls();
    void openerStatusCounts_data();
    void openerStatusCounts();

private:
    // Application, its first workbook's first sheet.
    static AxObject* firstSheet(AxObject* application)
    {
        AxObject* workbook = application->querySubObject("Workbooks")->querySubObject("Add");
        return workbook->querySubObject("Worksheets(int)", 1);
    }

    // Workbooks shown here go to this stand-in, never to the desktop's own opener.
    std::unique_ptr<FakeOpener> m_opener;
};

void tst_AxObject::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QDir(AxObject::workbookFolder()).removeRecursively();
    m_opener = std::make_unique<FakeOpener>();
    QVERIFY(m_opener->isValid());
}

void tst_AxObject::unknownControlIsNull()
{
    AxObject word(QStringLiteral("Word.Application"));
    QVERIFY(word.isNull());
    QVERIFY(!word.querySubObject("Workbooks"));
    QVERIFY(!word.dynamicCall("SetVisible(bool)", true).isValid());
    QVERIFY(!AxObject(QStringLiteral("Excel.Application")).isNull());
}

void tst_AxObject::queriesThatNameNothing_data()
{
    QTest::addColumn<QByteArray>("call");
    QTest::addColumn<QVariant>("argument");
    QTest::addColumn<bool>("found");
    QTest::newRow("sheet 1, spaces in the prototype")
        << QByteArray("Worksheets( int )") << QVariant(1) << true;
    QTest::newRow("sheet 0") << QByteArray("Worksheets(int)") << QVariant(0) << false;
    QTest::newRow("sheet beyond the last") << QByteArray("Worksheets(int)") << QVariant(2) << false;
    QTest::newRow("absolute single cell") << QByteArray("Range( QString )") << QVariant("$B$2") << true;
    QTest::newRow("reversed lower-case range") << QByteArray("Range(QString)") << QVariant("d7:a1") << true;
    QTest::newRow("last cell of a sheet") << QByteArray("Range(QString)") << QVariant("XFD1048576") << true;
    QTest::newRow("row 0") << QByteArray("Range(QString)") << QVariant("A0") << false;
    QTest::newRow("column beyond XFD") << QByteArray("Range(QString)") << QVariant("XFE1") << false;
    QTest::newRow("row beyond the sheet") << QByteArray("Range(QString)") << QVariant("A1048577") << false;
    QTest::newRow("number before letters") << QByteArray("Range(QString)") << QVariant("1A") << false;
    QTest::newRow("empty range") << QByteArray("Range(QString)") << QVariant(QString()) << false;
    QTest::newRow("unknown call") << QByteArray("Cells(int,int)") << QVariant(1) << false;
}

void tst_AxObject::queriesThatNameNothing()
{
    QFETCH(QByteArray, call);
    QFETCH(QVariant, argument);
    QFETCH(bool, found);
    AxObject application(QStringLiteral("Excel.Application"));
    AxObject* workbook = application.querySubObject("Workbooks")->querySubObject("Add");
    QVERIFY(workbook);
    AxObject* target
        = call.startsWith("Worksheets") ? workbook : workbook->querySubObject("Worksheets(int)", 1);
    QCOMPARE(target->querySubObject(call.constData(), argument) != nullptr, found);
}

void tst_AxObject::sheetName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("accepted") << QStringLiteral("Informations") << QStringLiteral("Informations");
    QTest::newRow("31 characters") << QString(31, QLatin1Char('n')) << QString(31, QLatin1Char('n'));
    QTest::newRow("empty refused") << QString() << QStringLiteral("Sheet1");
    QTest::newRow("32 characters refused") << QString(32, QLatin1Char('n')) << QStringLiteral("Sheet1");
    QTest::newRow("slash refused") << QStringLiteral("a/b") << QStringLiteral("Sheet1");
    QTest::newRow("leading apostrophe refused") << QStringLiteral("'a") << QStringLiteral("Sheet1");
}

void tst_AxObject::sheetName()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    AxObject application(QStringLiteral("Excel.Application"));
    AxObject* sheet = firstSheet(&application);
    QCOMPARE(sheet->property("Name").toString(), QStringLiteral("Sheet1"));
    sheet->setProperty("Name", name);
    QCOMPARE(sheet->property("Name").toString(), expected);
}

void tst_AxObject::rangeValue_data()
{
    QTest::addColumn<QString>("range");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QList<QVariantList>>("rows");
    QTest::newRow("a list fills a row") << QStringLiteral("B1:D1") << QVariant(QVariantList { 1, "x", true })
                                        << QList<QVariantList> { { QVariant(), 1.0, "x", true } };
    QTest::newRow("values beyond the range are dropped") << QStringLiteral(
        "A1:B1") << QVariant(QVariantList { 1, 2, 3 }) << QList<QVariantList> { { 1.0, 2.0 } };
    QTest::newRow("a list repeats on every row")
        << QStringLiteral("A1:B2") << QVariant(QVariantList { "a", "b" })
        << QList<QVariantList> { { "a", "b" }, { "a", "b" } };
    QTest::newRow("lists of lists fill row by row")
        << QStringLiteral("A1:B2") << QVariant(QVariantList { QVariantList { 1, 2 }, QVariantList { 3 } })
        << QList<QVariantList> { { 1.0, 2.0 }, { 3.0, QVariant() } };
    QTest::newRow("a single value fills every cell")
        << QStringLiteral("B2:A1") << QVariant("v") << QList<QVariantList> { { "v", "v" }, { "v", "v" } };
    QTest::newRow("a date-time stays a date-time")
        << QStringLiteral("A1") << QVariant(QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59, 500)))
        << QList<QVariantList> { { QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59, 500)) } };
}

void tst_AxObject::rangeValue()
{
    QFETCH(QString, range);
    QFETCH(QVariant, value);
    QFETCH(QList<QVariantList>, rows);
    auto application = std::make_unique<AxObject>(QStringLiteral("Excel.Application"));
    application->dynamicCall("SetVisible(bool)", true);
    QSignalSpy written(application.get(), &AxObject::workbookWritten);
    firstSheet(application.get())->querySubObject("Range(QString)", range)->setProperty("Value", value);
    QVERIFY(written.wait());

    QList<WorkbookReader::Sheet> sheets;
    QString error;
    QVERIFY2(WorkbookReader::read(written.at(0).at(0).toString(), &sheets, &error), qPrintable(error));
    QCOMPARE(sheets.size(), 1);
    QCOMPARE(sheets.at(0).rows, rows);
}

void tst_AxObject::shownOnlyWhenVisibleAndAfterTheCalls()
{
    AxObject application(QStringLiteral("Excel.Application"));
    QSignalSpy written(&application, &AxObject::workbookWritten);
    QSignalSpy opened(&application, &AxObject::workbookOpened);
    AxObject* cell = firstSheet(&application)->querySubObject("Range(QString)", QStringLiteral("A1"));
    cell->setProperty("Value", 1);
    // Writing is a queued call: once the posted calls are delivered, what was
    // due has happened.
    QCoreApplication::sendPostedEvents();
    QCOMPARE(written.count(), 0);

    application.dynamicCall("SetVisible(bool)", true);
    cell->setProperty("Value", 2);
    QCOMPARE(written.count(), 0);
    QTRY_COMPARE(written.count(), 1);
    const QString path = written.at(0).at(0).toString();
    QVERIFY(opened.wait());
    QCOMPARE(m_opener->opened().count(path), 1);

    // A later change rewrites the same file; the desktop shows it only once.
    cell->setProperty("Value", 3);
    QTRY_COMPARE(written.count(), 2);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(written.at(1).at(0).toString(), path);
    QVERIFY(!opened.wait(500));
    QCOMPARE(m_opener->opened().count(path), 1);

    QList<WorkbookReader::Sheet> sheets;
    QString error;
    QVERIFY2(WorkbookReader::read(path, &sheets, &error), qPrintable(error));
    QCOMPARE(sheets.at(0).rows, QList<QVariantList> { { 3.0 } });
    const QStringList leftovers
        = QDir(AxObject::workbookFolder()).entryList({ QStringLiteral(".*") }, QDir::Files | QDir::Hidden);
    QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join(QLatin1Char(' '))));
}

void tst_AxObject::openerStatusCounts_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("shown");
    QTest::newRow("a program took it") << 0 << true;
    // As xdg-open ends when it finds no way to open the file.
    QTest::newRow("no program for it") << 3 << false;
    QTest::newRow("no opener at all") << FakeOpener::MISSING << false;
}

// That the opener started says nothing: its exit status does.
void tst_AxObject::openerStatusCounts()
{
    QFETCH(int, status);
    QFETCH(bool, shown);
    const FakeOpener opener(status);
    QVERIFY(opener.isValid());
    AxObject application(QStringLiteral("Excel.Application"));
    application.dynamicCall("SetVisible(bool)", true);
    QSignalSpy written(&application, &AxObject::workbookWritten);
    QSignalSpy opened(&application, &AxObject::workbookOpened);
    QSignalSpy notOpened(&application, &AxObject::workbookNotOpened);
    firstSheet(&application)->querySubObject("Range(QString)", QStringLiteral("A1"))->setProperty("Value", 1);

    QTRY_COMPARE(opened.count() + notOpened.count(), 1);
    QCOMPARE(written.count(), 1);
    const QString path = written.at(0).at(0).toString();
    if (shown) {
        QCOMPARE(opened.at(0).at(0).toString(), path);
    } else {
        QCOMPARE(notOpened.at(0).at(0).toString(), path);
        QVERIFY(!notOpened.at(0).at(1).toString().isEmpty());
    }
    QCOMPARE(opener.opened(), status == FakeOpener::MISSING ? QStringList() : QStringList { path });
}

QTEST_MAIN(tst_AxObject)
#include "tst_axobject.moc"
