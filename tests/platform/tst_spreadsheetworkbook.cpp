#include "spreadsheetworkbook.h"
#include "workbookreader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class tst_SpreadsheetWorkbook : public QObject
{
    Q_OBJECT

private slots:
    void saveReplacesOlderCopy();
    void failedSaveLeavesNothingBehind();
    void longTextCutToCellLimit();
};

void tst_SpreadsheetWorkbook::saveReplacesOlderCopy()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/book.xlsx"));
    SpreadsheetWorkbook workbook;
    workbook.setCell(0, 0, 0, QStringLiteral("old"));
    QVERIFY(workbook.save(path));
    workbook.setCell(0, 0, 0, QStringLiteral("new"));
    QVERIFY(workbook.setSheetName(0, QStringLiteral("Renamed")));
    QVERIFY(workbook.save(path));

    QList<WorkbookReader::Sheet> sheets;
    QString error;
    QVERIFY2(WorkbookReader::read(path, &sheets, &error), qPrintable(error));
    QCOMPARE(sheets.at(0).name, QStringLiteral("Renamed"));
    QCOMPARE(sheets.at(0).rows, QList<QVariantList> { { QStringLiteral("new") } });
    QCOMPARE(QDir(dir.filePath(QStringLiteral("sub"))).entryList(QDir::Files | QDir::Hidden),
        QStringList { QStringLiteral("book.xlsx") });
}

void tst_SpreadsheetWorkbook::failedSaveLeavesNothingBehind()
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SpreadsheetWorkbook workbook;
    QString error;
    QVERIFY(!workbook.save(dir.filePath(QStringLiteral("file/book.xlsx")), &error));
    QVERIFY(!error.isEmpty());

    // A target that is a folder cannot be replaced; the partial file goes.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken.xlsx")));
    QVERIFY(!workbook.save(dir.filePath(QStringLiteral("taken.xlsx")), &error));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        (QStringList { QStringLiteral("file"), QStringLiteral("taken.xlsx") }));
}

void tst_SpreadsheetWorkbook::longTextCutToCellLimit()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    SpreadsheetWorkbook workbook;
    workbook.setCell(0, 0, 0, QString(40000, QLatin1Char('x')));
    workbook.setCell(0, 0, 1, QStringLiteral("next"));
    QVERIFY(workbook.save(path));

    QList<WorkbookReader::Sheet> sheets;
    QString error;
    QVERIFY2(WorkbookReader::read(path, &sheets, &error), qPrintable(error));
    QCOMPARE(sheets.at(0).rows.at(0).at(0).toString().size(), 32767);
    QCOMPARE(sheets.at(0).rows.at(0).at(1).toString(), QStringLiteral("next"));
}

QTEST_MAIN(tst_SpreadsheetWorkbook)
#include "tst_spreadsheetworkbook.moc"
