#include "useritem.h"
#include "userstablemodel.h"

#include <QtTest>

class tst_UsersTableModel : public QObject
{
    Q_OBJECT

private slots:
    void rowsCarryTheRecordPointer();
    void deleteItemOutsideTheRowsDoesNothing_data();
    void deleteItemOutsideTheRowsDoesNothing();
};

void tst_UsersTableModel::rowsCarryTheRecordPointer()
{
    UserItem first;
    UserItem second;
    QList<UserItem*> users { &first, &second };
    UsersTableModel model(&users);

    QCOMPARE(model.rowCount(), 2);
    const QVariant value = model.index(1).data(Qt::DisplayRole);
    QCOMPARE(value.typeName(), "UserItem*");
    QCOMPARE(value.value<UserItem*>(), &second);
    QVERIFY(!model.index(1).data(Qt::EditRole).isValid());
    QVERIFY(!model.index(2).data(Qt::DisplayRole).isValid());
    QCOMPARE(model.flags(model.index(0)), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    QCOMPARE(model.flags(QModelIndex()), Qt::NoItemFlags);
}

void tst_UsersTableModel::deleteItemOutsideTheRowsDoesNothing_data()
{
    QTest::addColumn<int>("row");
    QTest::newRow("negative") << -1;
    QTest::newRow("one past the last") << 2;
}

void tst_UsersTableModel::deleteItemOutsideTheRowsDoesNothing()
{
    QFETCH(int, row);
    UserItem first;
    UserItem second;
    QList<UserItem*> users { &first, &second };
    UsersTableModel model(&users);
    QSignalSpy removing(&model, &QAbstractItemModel::rowsAboutToBeRemoved);

    model.deleteItem(row);
    QCOMPARE(removing.count(), 0);
    QCOMPARE(users, (QList<UserItem*> { &first, &second }));
}

QTEST_APPLESS_MAIN(tst_UsersTableModel)
#include "tst_userstablemodel.moc"
