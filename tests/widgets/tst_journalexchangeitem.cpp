#include "journalexchangeitem.h"

#include <QtTest>

#include <memory>
#include <vector>

class tst_JournalExchangeItem : public QObject
{
    Q_OBJECT

private slots:
    void add_data();
    void add();
    void postsKeepTheirOrder();
    void postWithoutReceiver();
};

namespace {
// Stands in for the journal model: takes ownership of what it receives.
class Receiver : public QObject
{
public:
    void take(JournalItem* item) { items.emplace_back(item); }
    std::vector<std::unique_ptr<JournalItem>> items;
};
}

void tst_JournalExchangeItem::add_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("level");
    QTest::newRow("main window's channel, critical") << QString() << 3;
    QTest::newRow("widget channel, no level") << QStringLiteral("pump") << 0;
    QTest::newRow("module channel, warning") << QStringLiteral("Webquery 1") << 2;
}

void tst_JournalExchangeItem::add()
{
    QFETCH(QString, source);
    QFETCH(int, level);
    JournalExchangeItem channel(source);
    Receiver receiver;
    connect(&channel, &JournalExchangeItem::addSignal, &receiver, &Receiver::take);

    const QDateTime before = QDateTime::currentDateTime();
    channel.add(QStringLiteral("x"), JournalItem::ITEM_LEVEL_t(level));
    const QDateTime after = QDateTime::currentDateTime();

    QCOMPARE(receiver.items.size(), size_t(1));
    const JournalItem& item = *receiver.items.front();
    QCOMPARE(item.source, source);
    QCOMPARE(int(item.level), level);
    QCOMPARE(item.text, QStringLiteral("x"));
    QVERIFY(item.dateTime >= before && item.dateTime <= after);
    QCOMPARE(item.dateTime.timeSpec(), Qt::LocalTime);
}

void tst_JournalExchangeItem::postsKeepTheirOrder()
{
    JournalExchangeItem channel { QString() };
    Receiver receiver;
    connect(&channel, &JournalExchangeItem::addSignal, &receiver, &Receiver::take);
    channel.add(QStringLiteral("first"), JournalItem::ITEM_LEVEL_NORMAL);
    channel.add(QStringLiteral("second"), JournalItem::ITEM_LEVEL_NORMAL);
    QCOMPARE(receiver.items.size(), size_t(2));
    QVERIFY(receiver.items[0].get() != receiver.items[1].get());
    QCOMPARE(receiver.items[0]->text, QStringLiteral("first"));
    QCOMPARE(receiver.items[1]->text, QStringLiteral("second"));
}

void tst_JournalExchangeItem::postWithoutReceiver()
{
    JournalExchangeItem channel(QStringLiteral("pump"));
    channel.add(QStringLiteral("before anybody listens"), JournalItem::ITEM_LEVEL_CRITICAL);
    {
        Receiver gone;
        connect(&channel, &JournalExchangeItem::addSignal, &gone, &Receiver::take);
    }
    channel.add(QStringLiteral("after the receiver is gone"), JournalItem::ITEM_LEVEL_NONE);

    Receiver late;
    connect(&channel, &JournalExchangeItem::addSignal, &late, &Receiver::take);
    channel.add(QStringLiteral("heard"), JournalItem::ITEM_LEVEL_NORMAL);
    QCOMPARE(late.items.size(), size_t(1));
    QCOMPARE(late.items.front()->text, QStringLiteral("heard"));
}

QTEST_MAIN(tst_JournalExchangeItem)
#include "tst_journalexchangeitem.moc"
