#include "journalfilter.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QTextEdit>
#include <QtTest>

#include <memory>
#include <vector>

class tst_JournalFilter : public QObject
{
    Q_OBJECT

private slots:
    void filter_data();
    void filter();
    void everyControlRefilters();
    void outerBoxFoldsAway();

private:
    static QGroupBox* box(JournalFilter* filter, const QString& title)
    {
        const QList<QGroupBox*> boxes = filter->findChildren<QGroupBox*>();
        for (QGroupBox* candidate : boxes) {
            if (candidate->title() == title)
                return candidate;
        }
        return nullptr;
    }
    static QCheckBox* levelCheck(JournalFilter* filter, int level)
    {
        const QStringList names = { QStringLiteral("Without level"), QStringLiteral("Normal"),
            QStringLiteral("Warning"), QStringLiteral("Critical") };
        const QList<QCheckBox*> checks = filter->findChildren<QCheckBox*>();
        for (QCheckBox* check : checks) {
            if (check->text() == names.value(level))
                return check;
        }
        return nullptr;
    }
    static QDateTimeEdit* dateTimeEdit(JournalFilter* filter, int which)
    {
        return filter->findChildren<QDateTimeEdit*>().value(which);
    }
};

namespace {
const QDateTime T0(QDate(2024, 3, 1), QTime(10, 0));
}

void tst_JournalFilter::filter_data()
{
    QTest::addColumn<bool>("byDate");
    QTest::addColumn<int>("beginHour");
    QTest::addColumn<int>("endHour");
    QTest::addColumn<bool>("byLevel");
    QTest::addColumn<QList<int>>("levels");
    QTest::addColumn<bool>("bySource");
    QTest::addColumn<QString>("sources");
    QTest::addColumn<bool>("outerChecked");
    QTest::addColumn<QList<int>>("expected");

    const QList<int> all = { 0, 1, 2, 3, 4 };
    QTest::newRow("no criterion lets all through")
        << false << 0 << 0 << false << QList<int>() << false << QString() << false << all;
    QTest::newRow("outer box checked alone changes nothing")
        << false << 0 << 0 << false << QList<int>() << false << QString() << true << all;
    QTest::newRow("date range includes both ends")
        << true << 1 << 3 << false << QList<int>() << false << QString() << false << QList<int> { 1, 2, 3 };
    QTest::newRow("levels normal and critical") << false << 0 << 0 << true << QList<int> { 1, 3 } << false
                                                << QString() << false << QList<int> { 1, 3, 4 };
    QTest::newRow("by level with no box checked shows nothing")
        << false << 0 << 0 << true << QList<int>() << false << QString() << false << QList<int>();
    QTest::newRow("level boxes count only with their group checked")
        << false << 0 << 0 << false << QList<int> { 2 } << false << QString() << false << all;
    QTest::newRow("source lines match exactly and case-sensitively")
        << false << 0 << 0 << false << QList<int>() << true << QStringLiteral("Pump\nValve") << false
        << QList<int> { 1, 2, 3 };
    QTest::newRow("empty source edit passes only the empty source")
        << false << 0 << 0 << false << QList<int>() << true << QString() << false << QList<int> { 0 };
    QTest::newRow("trailing line feed adds the empty source")
        << false << 0 << 0 << false << QList<int>() << true << QStringLiteral("Valve\n") << false
        << QList<int> { 0, 2 };
    QTest::newRow("all three criteria together")
        << true << 1 << 4 << true << QList<int> { 1 } << true << QStringLiteral("Pump\npump") << false
        << QList<int> { 1, 4 };
}

void tst_JournalFilter::filter()
{
    QFETCH(bool, byDate);
    QFETCH(int, beginHour);
    QFETCH(int, endHour);
    QFETCH(bool, byLevel);
    QFETCH(QList<int>, levels);
    QFETCH(bool, bySource);
    QFETCH(QString, sources);
    QFETCH(bool, outerChecked);
    QFETCH(QList<int>, expected);

    struct Entry
    {
        int hour;
        JournalItem::ITEM_LEVEL_t level;
        const char* source;
    };
    const Entry entries[] = { { 0, JournalItem::ITEM_LEVEL_NONE, "" },
        { 1, JournalItem::ITEM_LEVEL_NORMAL, "Pump" }, { 2, JournalItem::ITEM_LEVEL_WARNING, "Valve" },
        { 3, JournalItem::ITEM_LEVEL_CRITICAL, "Pump" }, { 4, JournalItem::ITEM_LEVEL_NORMAL, "pump" } };
    std::vector<std::unique_ptr<JournalItem>> owned;
    QList<JournalItem*> items;
    for (const Entry& entry : entries) {
        owned.push_back(std::make_unique<JournalItem>());
        owned.back()->dateTime = T0.addSecs(entry.hour * 3600);
        owned.back()->level = entry.level;
        owned.back()->source = QString::fromLatin1(entry.source);
        items.append(owned.back().get());
    }

    JournalFilter journalFilter;
    journalFilter.setChecked(outerChecked);
    box(&journalFilter, QStringLiteral("By date and time"))->setChecked(byDate);
    dateTimeEdit(&journalFilter, 0)->setDateTime(T0.addSecs(beginHour * 3600));
    dateTimeEdit(&journalFilter, 1)->setDateTime(T0.addSecs(endHour * 3600));
    box(&journalFilter, QStringLiteral("By level"))->setChecked(byLevel);
    for (int level : levels)
        levelCheck(&journalFilter, level)->setChecked(true);
    box(&journalFilter, QStringLiteral("By sourse name"))->setChecked(bySource);
    journalFilter.findChild<QTextEdit*>()->setPlainText(sources);

    QList<int> passed;
    const QList<JournalItem*> result = journalFilter.filter(items);
    for (JournalItem* item : result)
        passed.append(items.indexOf(item));
    QCOMPARE(passed, expected);
}

void tst_JournalFilter::everyControlRefilters()
{
    JournalFilter journalFilter;
    journalFilter.setChecked(true);
    journalFilter.show();
    QVERIFY(QTest::qWaitForWindowExposed(&journalFilter));
    QSignalSpy spy(&journalFilter, &JournalFilter::changeFilter);

    int expected = 0;
    for (const QString& title : { QStringLiteral("By date and time"), QStringLiteral("By level"),
             QStringLiteral("By sourse name") }) {
        QGroupBox* groupBox = box(&journalFilter, title);
        groupBox->setFocus();
        QTest::keyClick(groupBox, Qt::Key_Space);
        QVERIFY2(groupBox->isChecked(), qPrintable(title));
        QCOMPARE(spy.count(), ++expected);
    }
    for (int which = 0; which < 2; ++which) {
        emit dateTimeEdit(&journalFilter, which)->editingFinished();
        QCOMPARE(spy.count(), ++expected);
    }
    for (int level = 0; level < 4; ++level) {
        QTest::mouseClick(levelCheck(&journalFilter, level), Qt::LeftButton);
        QCOMPARE(spy.count(), ++expected);
    }
    QTest::keyClicks(journalFilter.findChild<QTextEdit*>(), QStringLiteral("P"));
    QCOMPARE(spy.count(), ++expected);
}

void tst_JournalFilter::outerBoxFoldsAway()
{
    JournalFilter journalFilter;
    QVERIFY(!journalFilter.isChecked());
    QCOMPARE(journalFilter.title(), QStringLiteral("Filters"));
    QCOMPARE(journalFilter.maximumHeight(), 25);
    journalFilter.setChecked(true);
    QCOMPARE(journalFilter.maximumHeight(), 65535);
    journalFilter.setChecked(false);
    QCOMPARE(journalFilter.maximumHeight(), 25);
}

QTEST_MAIN(tst_JournalFilter)
#include "tst_journalfilter.moc"
