#include "modalanswerer.h"
#include "useritem.h"
#include "userssettingsdialog.h"
#include "userstabledelegate.h"
#include "userstablelistview.h"
#include "userstablemodel.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <array>
#include <memory>

class tst_UsersTableListView : public QObject
{
    Q_OBJECT

private slots:
    void keyRelease_data();
    void keyRelease();
    void doubleClickOpensTheSettings_data();
    void doubleClickOpensTheSettings();
};

namespace {

QPushButton* buttonWithText(QWidget* dialog, const QString& text)
{
    const QList<QPushButton*> buttons = dialog->findChildren<QPushButton*>();
    for (QPushButton* button : buttons) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}
}

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

void tst_UsersTableListView::doubleClickOpensTheSettings_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("Delete user removes the card")
        << "delete" << QStringList { "User 0", "User 1", "User 3", "User 4" };
    QTest::newRow("OK shows the new name on the card")
        << "rename" << QStringList { "User 0", "User 1", "Renamed", "User 3", "User 4" };
    QTest::newRow("Escape changes nothing")
        << "escape" << QStringList { "User 0", "User 1", "User 2", "User 3", "User 4" };
}

void tst_UsersTableListView::doubleClickOpensTheSettings()
{
    QFETCH(QString, action);
    QFETCH(QStringList, names);

    std::array<UserItem, 5> records;
    QList<UserItem*> users;
    for (size_t index = 0; index < records.size(); ++index) {
        records[index].fullName = QStringLiteral("User %1").arg(index);
        records[index].userName = QStringLiteral("user%1").arg(index);
        records[index].password = QStringLiteral("70461");
        users << &records[index];
    }
    UsersTableModel model(&users);
    UsersTableListView view(&model);
    view.setItemDelegate(new UsersTableDelegate(&view));
    view.resize(600, 800);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    QString shownName;
    QList<ModalAnswerer::Expected> expected { { "UsersSettingsDialog", "", QString(), [&](QWidget* dialog) {
        auto* fullName = dialog->findChild<QLineEdit*>(QStringLiteral("fullName"));
        shownName = fullName->text();
        if (action == QLatin1String("delete")) {
            buttonWithText(dialog, QStringLiteral("Delete user"))->click();
        } else if (action == QLatin1String("rename")) {
            fullName->setText(QStringLiteral("Renamed"));
            buttonWithText(dialog, QStringLiteral("OK"))->click();
        } else {
            QTest::keyClick(dialog, Qt::Key_Escape);
        }
    } } };
    if (action == QLatin1String("delete"))
        expected << ModalAnswerer::Expected { "QMessageBox", "", "Yes" };
    ModalAnswerer answerer(expected);

    const QPoint card = view.visualRect(model.index(2)).center();
    // A widget's double click in QTest comes without the press that precedes it on screen.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, card);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, card);
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));

    QCOMPARE(shownName, QStringLiteral("User 2"));
    QCOMPARE(reset.count(), 1);
    QStringList shown;
    for (int row = 0; row < model.rowCount(); ++row)
        shown << model.index(row).data().value<UserItem*>()->fullName;
    QCOMPARE(shown, names);
    // The dialog does not outlive its run, however it was closed.
    QVERIFY(view.findChildren<UsersSettingsDialog*>().isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(view.findChildren<UsersSettingsDialog*>().isEmpty());
}

QTEST_MAIN(tst_UsersTableListView)
#include "tst_userstablelistview.moc"
