#include "axobject.h"
#include "fakeopener.h"
#include "journalexchangeitem.h"
#include "journalfilter.h"
#include "journalmodel.h"
#include "workbookreader.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QBrush>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTableView>
#include <QTextEdit>
#include <QtTest>

class tst_JournalModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void trimmingAnnouncesRemovedRows_data();
    void trimmingAnnouncesRemovedRows();
    void viewsStayConsistent();
    void hiddenCriticalItemRaisesErrorMark();
    void cellsAndColours_data();
    void cellsAndColours();
    void verticalHeaderCountsHiddenItems();
    void mapRoundTripThroughJson();
    void setMap_data();
    void setMap();
    void sourcesPostIntoTheModel();
    void clearRemovesEveryRow();
    void exportWritesWorkbook();
    void exportToldInTheJournal_data();
    void exportToldInTheJournal();

private:
    static JournalItem* makeItem(int level, const QString& source, const QString& text,
        const QDateTime& dateTime = QDateTime::currentDateTime())
    {
        auto* item = new JournalItem;
        item->dateTime = dateTime;
        item->level = JournalItem::ITEM_LEVEL_t(level);
        item->source = source;
        item->text = text;
        return item;
    }
    static QGroupBox* box(JournalModel* model, const QString& title)
    {
        const QList<QGroupBox*> boxes = model->filter()->findChildren<QGroupBox*>();
        for (QGroupBox* candidate : boxes) {
            if (candidate->title() == title)
                return candidate;
        }
        return nullptr;
    }
    // Checks "By level" with the given levels through the controls, as a user would.
    static void showOnlyLevels(JournalModel* model, const QList<int>& levels)
    {
        const QStringList names = { QStringLiteral("Without level"), QStringLiteral("Normal"),
            QStringLiteral("Warning"), QStringLiteral("Critical") };
        const QList<QCheckBox*> checks = model->filter()->findChildren<QCheckBox*>();
        for (QCheckBox* check : checks)
            check->setChecked(levels.contains(names.indexOf(check->text())));
        QGroupBox* levelBox = box(model, QStringLiteral("By level"));
        levelBox->setChecked(true);
        emit levelBox->clicked(true);
    }
    static void showOnlySources(JournalModel* model, const QString& lines)
    {
        box(model, QStringLiteral("By sourse name"))->setChecked(true);
        model->filter()->findChild<QTextEdit*>()->setPlainText(lines);
    }
    static QStringList shownTexts(const JournalModel& model)
    {
        QStringList texts;
        for (int row = 0; row < model.rowCount(); ++row)
            texts.append(model.index(row, 2).data().toString());
        return texts;
    }
    static QString exportFolder() { return AxObject::workbookFolder(); }
};

void tst_JournalModel::initTestCase()
{
    // Exported workbooks go to the test's own cache folder.
    QStandardPaths::setTestModeEnabled(true);
    QDir(exportFolder()).removeRecursively();
    qRegisterMetaType<Qt::Orientation>();
}

void tst_JournalModel::trimmingAnnouncesRemovedRows_data()
{
    QTest::addColumn<bool>("hideLevelZero");
    QTest::addColumn<int>("lastRemovedRow");
    QTest::addColumn<int>("rowsLeft");
    QTest::newRow("nothing hidden: rows 0 to 89") << false << 89 << 10;
    QTest::newRow("every other item hidden: only the shown rows") << true << 44 << 5;
}

void tst_JournalModel::trimmingAnnouncesRemovedRows()
{
    QFETCH(bool, hideLevelZero);
    QFETCH(int, lastRemovedRow);
    QFETCH(int, rowsLeft);

    JournalModel model(100);
    if (hideLevelZero)
        showOnlyLevels(&model, { 1 });
    for (int i = 0; i < 100; ++i)
        model.addNew(makeItem(i % 2, QString(), QString::number(i)));
    QSignalSpy removing(&model, &QAbstractItemModel::rowsAboutToBeRemoved);

    model.setMaxRows(10);

    QCOMPARE(removing.count(), 1);
    QCOMPARE(removing.at(0).at(1).toInt(), 0);
    QCOMPARE(removing.at(0).at(2).toInt(), lastRemovedRow);
    QCOMPARE(model.rowCount(), rowsLeft);
    QCOMPARE(model.map().size(), 10);
    QCOMPARE(model.map().value(QStringLiteral("0")).toMap().value(QStringLiteral("text")).toString(),
        QStringLiteral("90"));
}

void tst_JournalModel::viewsStayConsistent()
{
    JournalModel model(6);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QTableView view;
    view.setModel(&model);
    view.show();
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

    showOnlyLevels(&model, { 1, 3 });
    for (int i = 0; i < 10; ++i)
        model.addNew(makeItem(i % 4, QString(), QString::number(i)));
    QCOMPARE(
        shownTexts(model), (QStringList { QStringLiteral("5"), QStringLiteral("7"), QStringLiteral("9") }));

    showOnlySources(&model, QStringLiteral("none such"));
    QCOMPARE(model.rowCount(), 0);
    model.addNew(makeItem(1, QStringLiteral("other"), QStringLiteral("hidden")));
    QCOMPARE(model.rowCount(), 0);
    showOnlySources(&model, QString());
    QCOMPARE(model.rowCount(), 3);
    QVERIFY(resets.count() > 0);
    model.setMaxRows(2);
    QCOMPARE(shownTexts(model), QStringList { QStringLiteral("9") });
    QCOMPARE(model.map().size(), 2);
    model.clear();
    QCOMPARE(model.map().size(), 0);
    QCOMPARE(view.model()->rowCount(), 0);
}

void tst_JournalModel::hiddenCriticalItemRaisesErrorMark()
{
    JournalModel model(10);
    showOnlySources(&model, QStringLiteral("Pump"));
    QSignalSpy icon(&model, &JournalModel::iconUpdated);
    QVERIFY(model.errorIcon().isNull());

    QTest::ignoreMessage(QtDebugMsg, "Journal CRITICAL Valve overpressure");
    model.addNew(QStringLiteral("Valve"), QStringLiteral("overpressure"), JournalItem::ITEM_LEVEL_CRITICAL);

    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(icon.count(), 1);
    const QImage mark = model.errorIcon().pixmap(10, 10).toImage();
    QCOMPARE(mark.size(), QSize(10, 10));
    QCOMPARE(mark.pixelColor(5, 5), QColor(255, 0, 0));

    model.resetErrors();
    QCOMPARE(icon.count(), 2);
    QVERIFY(model.errorIcon().isNull());

    model.addNew(QStringLiteral("Valve"), QStringLiteral("a warning"), JournalItem::ITEM_LEVEL_WARNING);
    QCOMPARE(icon.count(), 2);
    QVERIFY(model.errorIcon().isNull());
}

void tst_JournalModel::cellsAndColours_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("without level") << 0 << QColor(Qt::cyan);
    QTest::newRow("normal") << 1 << QColor(Qt::green);
    QTest::newRow("warning") << 2 << QColor(Qt::yellow);
    QTest::newRow("critical") << 3 << QColor(Qt::red);
}

void tst_JournalModel::cellsAndColours()
{
    QFETCH(int, level);
    QFETCH(QColor, colour);
    const QDateTime when(QDate(2024, 5, 6), QTime(7, 8, 9, 10));
    JournalModel model(10);
    model.addNew(makeItem(level, QStringLiteral("Pump"), QStringLiteral("started"), when));

    QCOMPARE(model.columnCount(), 3);
    const QModelIndex first = model.index(0, 0);
    QCOMPARE(first.data().userType(), int(QMetaType::QDateTime));
    QCOMPARE(first.data().toDateTime(), when);
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("Pump"));
    QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("started"));
    for (int column = 0; column < 3; ++column) {
        const QBrush brush = model.index(0, column).data(Qt::BackgroundRole).value<QBrush>();
        QCOMPARE(brush.color(), colour);
        QCOMPARE(brush.style(), Qt::SolidPattern);
    }
    QCOMPARE(model.flags(first), Qt::ItemIsEnabled);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Date/Time"));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Message"));
    QVERIFY(!model.headerData(0, Qt::Horizontal, Qt::ToolTipRole).isValid());
}

void tst_JournalModel::verticalHeaderCountsHiddenItems()
{
    JournalModel model(10);
    showOnlyLevels(&model, { 1 });
    for (int level : { 1, 2, 1, 2, 1 })
        model.addNew(makeItem(level, QString(), QString()));
    const auto headers = [&model] {
        QStringList numbers;
        for (int row = 0; row < model.rowCount(); ++row)
            numbers.append(model.headerData(row, Qt::Vertical).toString());
        return numbers;
    };
    QCOMPARE(headers(), (QStringList { QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("5") }));

    QSignalSpy headerChanged(&model, &QAbstractItemModel::headerDataChanged);
    model.setMaxRows(4);
    QCOMPARE(headers(), (QStringList { QStringLiteral("2"), QStringLiteral("4") }));
    QCOMPARE(headerChanged.count(), 1);
}

void tst_JournalModel::mapRoundTripThroughJson()
{
    const QDateTime when(QDate(2024, 1, 2), QTime(3, 4, 5, 678));
    JournalModel model(10);
    showOnlyLevels(&model, { 3 });
    model.addNew(makeItem(1, QStringLiteral("Pump"), QStringLiteral("on"), when));
    model.addNew(makeItem(2, QString(), QStringLiteral("ü and \"quotes\""), when.addSecs(1)));

    const QVariantMap map = model.map();
    QCOMPARE(map.keys(), (QStringList { QStringLiteral("0"), QStringLiteral("1") }));
    const QVariantMap first = map.value(QStringLiteral("0")).toMap();
    QCOMPARE(first.keys(),
        (QStringList { QStringLiteral("datetime"), QStringLiteral("level"), QStringLiteral("sourse"),
            QStringLiteral("text") }));
    QCOMPARE(first.value(QStringLiteral("level")).toInt(), 1);

    const QByteArray json = QJsonDocument(QJsonObject::fromVariantMap(map)).toJson();
    JournalModel loaded(10);
    loaded.setMap(QJsonDocument::fromJson(json).object().toVariantMap());
    QCOMPARE(loaded.rowCount(), 2);
    QCOMPARE(loaded.index(0, 0).data().toDateTime(), when);
    QCOMPARE(loaded.index(0, 1).data().toString(), QStringLiteral("Pump"));
    QCOMPARE(loaded.index(1, 0).data().toDateTime(), when.addSecs(1));
    QCOMPARE(loaded.index(1, 2).data().toString(), QStringLiteral("ü and \"quotes\""));
    QCOMPARE(loaded.index(1, 0).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(Qt::yellow));
}

void tst_JournalModel::setMap_data()
{
    const auto entry = [](int level, const QString& text) {
        return QVariantMap { { QStringLiteral("datetime"), QStringLiteral("2024-01-02T03:04:05.000") },
            { QStringLiteral("level"), level }, { QStringLiteral("sourse"), QStringLiteral("s") },
            { QStringLiteral("text"), text } };
    };
    QTest::addColumn<QVariantMap>("map");
    QTest::addColumn<int>("maxRows");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("errorMark");

    QTest::newRow("members 0, 1, 3 load two")
        << QVariantMap { { QStringLiteral("0"), entry(0, QStringLiteral("a")) },
               { QStringLiteral("1"), entry(1, QStringLiteral("b")) },
               { QStringLiteral("3"), entry(1, QStringLiteral("d")) } }
        << 10 << QStringList { QStringLiteral("a"), QStringLiteral("b") } << false;
    QTest::newRow("no member 0 loads nothing")
        << QVariantMap { { QStringLiteral("1"), entry(0, QStringLiteral("b")) } } << 10 << QStringList()
        << false;
    QTest::newRow("a member that is no object is an entry with empty fields")
        << QVariantMap { { QStringLiteral("0"), entry(0, QStringLiteral("a")) },
               { QStringLiteral("1"), QStringLiteral("text") },
               { QStringLiteral("2"), entry(0, QStringLiteral("c")) } }
        << 10 << QStringList { QStringLiteral("a"), QString(), QStringLiteral("c") } << false;
    QTest::newRow("a null member ends the list")
        << QVariantMap { { QStringLiteral("0"), entry(0, QStringLiteral("a")) },
               { QStringLiteral("1"), QVariant::fromValue(nullptr) },
               { QStringLiteral("2"), entry(0, QStringLiteral("c")) } }
        << 10 << QStringList { QStringLiteral("a") } << false;
    QTest::newRow("loading trims to the maximum rows")
        << QVariantMap { { QStringLiteral("0"), entry(0, QStringLiteral("a")) },
               { QStringLiteral("1"), entry(0, QStringLiteral("b")) },
               { QStringLiteral("2"), entry(0, QStringLiteral("c")) } }
        << 2 << QStringList { QStringLiteral("b"), QStringLiteral("c") } << false;
    QTest::newRow("a loaded critical item raises the mark")
        << QVariantMap { { QStringLiteral("0"), entry(3, QStringLiteral("a")) } } << 10
        << QStringList { QStringLiteral("a") } << true;
}

void tst_JournalModel::setMap()
{
    QFETCH(QVariantMap, map);
    QFETCH(int, maxRows);
    QFETCH(QStringList, texts);
    QFETCH(bool, errorMark);
    JournalModel model(maxRows);
    model.setMap(map);
    QCOMPARE(shownTexts(model), texts);
    QCOMPARE(!model.errorIcon().isNull(), errorMark);
}

void tst_JournalModel::sourcesPostIntoTheModel()
{
    JournalModel model(10);
    auto* main = new JournalExchangeItem(QString());
    auto* pump = new JournalExchangeItem(QStringLiteral("Pump"));
    QPointer<JournalExchangeItem> watchMain(main);
    model.addSource(main);
    model.addSource(pump);
    QSignalSpy appended(&model, &JournalModel::appended);

    pump->add(QStringLiteral("first"), JournalItem::ITEM_LEVEL_NORMAL);
    main->add(QStringLiteral("second"), JournalItem::ITEM_LEVEL_CRITICAL);

    QCOMPARE(appended.count(), 2);
    QCOMPARE(shownTexts(model), (QStringList { QStringLiteral("first"), QStringLiteral("second") }));
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("Pump"));
    QCOMPARE(model.index(1, 1).data().toString(), QString());
    QVERIFY(!model.errorIcon().isNull());

    delete pump;
    {
        JournalModel owner(10);
        owner.addSource(main);
    }
    QVERIFY(watchMain);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(!watchMain, "the model hands its sources to deleteLater");
}

void tst_JournalModel::clearRemovesEveryRow()
{
    JournalModel model(10);
    for (int i = 0; i < 4; ++i)
        model.addNew(makeItem(0, QString(), QString()));
    QSignalSpy removing(&model, &QAbstractItemModel::rowsAboutToBeRemoved);
    model.clear();
    QCOMPARE(removing.count(), 1);
    QCOMPARE(removing.at(0).at(2).toInt(), 3);
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(model.map().isEmpty());
}

void tst_JournalModel::exportWritesWorkbook()
{
    const FakeOpener opener;
    QVERIFY(opener.isValid());

    const QDateTime when(QDate(2024, 2, 29), QTime(23, 59, 58, 250));
    JournalModel model(10);
    model.addNew(makeItem(0, QString(), QStringLiteral("Program started"), when));
    model.addNew(makeItem(1, QStringLiteral("Pump"), QStringLiteral("on"), when.addMSecs(1000)));
    model.addNew(makeItem(2, QStringLiteral("Hidden"), QStringLiteral("not shown"), when.addMSecs(1500)));
    model.addNew(makeItem(2, QStringLiteral("Valve"), QStringLiteral("Давление"), when.addMSecs(2000)));
    model.addNew(makeItem(3, QStringLiteral("Pump"), QStringLiteral("off"), when.addMSecs(3000)));
    showOnlySources(&model, QStringLiteral("\nPump\nValve"));
    QCOMPARE(model.rowCount(), 4);

    model.toExcel();
    // The spreadsheet shows its workbook once control is back in the event loop.
    QVERIFY(opener.opened().isEmpty());
    QTRY_COMPARE(opener.opened().size(), 1);

    const QString path = opener.opened().first();
    QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(exportFolder()).absoluteFilePath());
    QCOMPARE(QFileInfo(path).suffix(), QStringLiteral("xlsx"));
    QCOMPARE(QDir(exportFolder()).entryList(QDir::Files | QDir::Hidden),
        QStringList { QFileInfo(path).fileName() });

    QList<WorkbookReader::Sheet> sheets;
    QString error;
    QVERIFY2(WorkbookReader::read(path, &sheets, &error), qPrintable(error));
    QCOMPARE(sheets.size(), 1);
    QCOMPARE(sheets.at(0).name, QStringLiteral("Informations"));
    const QList<QVariantList> rows = sheets.at(0).rows;
    QCOMPARE(rows.size(), 5);
    QCOMPARE(rows.at(0),
        (QVariantList { QStringLiteral("Дата/Время"), QStringLiteral("Источник"), QStringLiteral("Данные"),
            QStringLiteral("Уровень") }));
    const QList<QVariantList> expected = {
        { when, QVariant(), QStringLiteral("Program started"), QStringLiteral("------") },
        { when.addMSecs(1000), QStringLiteral("Pump"), QStringLiteral("on"), QStringLiteral("Нормальный") },
        { when.addMSecs(2000), QStringLiteral("Valve"), QStringLiteral("Давление"),
            QStringLiteral("Предупредительный") },
        { when.addMSecs(3000), QStringLiteral("Pump"), QStringLiteral("off"), QStringLiteral("Критический") },
    };
    for (int i = 0; i < expected.size(); ++i) {
        const QVariantList& row = rows.at(i + 1);
        QCOMPARE(row.size(), 4);
        QCOMPARE(row.at(0).userType(), int(QMetaType::QDateTime));
        QCOMPARE(row.at(0).toDateTime(), expected.at(i).at(0).toDateTime());
        QCOMPARE(row.mid(1), expected.at(i).mid(1));
    }
}

void tst_JournalModel::exportToldInTheJournal_data()
{
    QTest::addColumn<int>("openerStatus");
    QTest::addColumn<bool>("shown");
    QTest::newRow("opened by the desktop's program") << 0 << true;
    // As xdg-open ends when it finds no way to open the file.
    QTest::newRow("no program opens it") << 3 << false;
    QTest::newRow("no opener at all") << FakeOpener::MISSING << false;
}

// The written file is named every time, and a workbook nobody shows is said
// to be so; nothing asks the operator anything.
void tst_JournalModel::exportToldInTheJournal()
{
    QFETCH(int, openerStatus);
    QFETCH(bool, shown);
    const FakeOpener opener(openerStatus);
    QVERIFY(opener.isValid());
    JournalModel model(10);
    model.addNew(makeItem(1, QStringLiteral("Pump"), QStringLiteral("on")));
    const QWidgetList before = QApplication::topLevelWidgets();

    model.toExcel();
    auto* application = model.findChild<AxObject*>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(application);
    QSignalSpy written(application, &AxObject::workbookWritten);
    QSignalSpy opened(application, &AxObject::workbookOpened);
    QSignalSpy notOpened(application, &AxObject::workbookNotOpened);
    QTRY_COMPARE(opened.count() + notOpened.count(), 1);
    QCOMPARE(opened.count(), shown ? 1 : 0);

    const QString path = QDir::toNativeSeparators(written.at(0).at(0).toString());
    QVERIFY(QFileInfo::exists(path));
    QStringList texts;
    QList<int> levels;
    const QVariantMap entries = model.map();
    for (int i = 1; i < entries.size(); ++i) {
        texts << entries.value(QString::number(i)).toMap().value(QStringLiteral("text")).toString();
        levels << entries.value(QString::number(i)).toMap().value(QStringLiteral("level")).toInt();
    }
    QCOMPARE(texts.size(), shown ? 1 : 2);
    QVERIFY2(texts.filter(path).size() == texts.size(), qPrintable(texts.join(QLatin1Char('\n'))));
    if (!shown) {
        QCOMPARE(levels.last(), int(JournalItem::ITEM_LEVEL_WARNING));
        QVERIFY2(texts.last().contains(QStringLiteral("could not be opened")), qPrintable(texts.last()));
    }
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(QApplication::topLevelWidgets(), before);
}

QTEST_MAIN(tst_JournalModel)
#include "tst_journalmodel.moc"
