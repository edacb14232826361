#include "useritem.h"
#include "userstablelistview.h"
#include "userstablemodel.h"

#include <QtTest>

#include <array>

class tst_UsersTableListView : public QObject
{
    Q_OBJECT

private slots:
    void keyRelease_data();
    void keyRelease();
};

void tst_UsersTableListView::keyRelease_data()
{
    QTest::addColumn<int>("currentRow");
    QTest::addColumn<int>("key");
    QTest::addColumn<QList<int>>("remaining");

    QTest::newRow("Delete without a current row does nothing")
        << -1 << int(Qt::Key_Delete) << QList<int> { 0, 1, 2, 3, 4 };
    QTest::newRow("Delete removes the third of five")
        << 2 << int(Qt::Key_Delete) << QList<int> { 0, 1, 3, 4 };
    QTest::newRow("Delete removes the last") << 4 << int(Qt::Key_Delete) << QList<int> { 0, 1, 2, 3 };
    QTest::newRow("another key removes nothing")
        << 2 << int(Qt::Key_Backspace) << QList<int> { 0, 1, 2, 3, 4 };
}

void tst_UsersTableListView::keyRelease()
{
    QFETCH(int, currentRow);
    QFETCH(int, key);
    QFETCH(QList<int>, remaining);

    std::array<UserItem, 5> records;
    QList<UserItem*> users;
    for (UserItem& record : records)
        users << &record;
    UsersTableModel model(&users);
    UsersTableListView view(&model);
    view.setCurrentIndex(currentRow < 0 ? QModelIndex() : model.index(currentRow));
    QCOMPARE(view.currentIndex().row(), currentRow);
    QSignalSpy removing(&model, &QAbstractItemModel::rowsAboutToBeRemoved);

    QTest::keyClick(&view, Qt::Key(key));

    QList<UserItem*> expected;
    for (int index : remaining)
        expected << &records[size_t(index)];
    QCOMPARE(users, expected);
    QCOMPARE(model.rowCount(), remaining.size());
    if (remaining.size() == int(records.size())) {
        QCOMPARE(removing.count(), 0);
    } else {
        QCOMPARE(removing.count(), 1);
        QCOMPARE(removing.at(0).at(1).toInt(), currentRow);
        QCOMPARE(removing.at(0).at(2).toInt(), currentRow);
    }
}

QTEST_MAIN(tst_UsersTableListView)
#include "tst_userstablelistview.moc"
