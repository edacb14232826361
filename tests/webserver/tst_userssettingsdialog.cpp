#include "headerfit.h"
#include "modalanswerer.h"
#include "rowtranslation.h"
#include "useritem.h"
#include "usersettingsdialogservicesdelegate.h"
#include "userssettingsdialog.h"
#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetpanel.h"
#include "xwidgetpanelscrollarea.h"
#include "testappfolder.h"
#include "xwidgetsglobals.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

class tst_UsersSettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void okStoresTheCard();
    void okChecks_data();
    void okChecks();
    void accessThroughTheTable();
    void accessWithoutAName();
    void deleteUser_data();
    void deleteUser();
    void cancelChangesNothing();
    void photoFileDialog_data();
    void photoFileDialog();
    void columnTitlesShowInFull_data();
    void columnTitlesShowInFull();

private:
    void addGroup(const QString& name);
    UserItem* addUser(const QString& fullName, const QString& userName);
    QLineEdit* edit(const QString& name) const;
    QPushButton* button(const QString& text) const;
    QTableView* table() const;
    void openDialog(int row);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<XWidgetPanelScrollArea> m_area;
    std::vector<std::unique_ptr<XWidgetGroupSettings>> m_groupRecords;
    std::vector<std::unique_ptr<UserItem>> m_records;
    QList<UserItem*> m_users;
    QPointer<UsersSettingsDialog> m_dialog;
};

namespace {
const int ACCESS_COLUMN = 1;

QMap<QString, UserItem_ACCESS_TYPE> accessMap(const QVariantMap& entries)
{
    QMap<QString, UserItem_ACCESS_TYPE> access;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        access.insert(it.key(), UserItem_ACCESS_TYPE(it.value().toInt()));
    return access;
}
}

void tst_UsersSettingsDialog::init()
{
    m_dir.reset(new QTemporaryDir);
    m_settings.reset(new QSettings(m_dir->filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
    m_area.reset(new XWidgetPanelScrollArea);
    XWidgetsPanel = new XWidgetPanel(m_settings.get(), m_area.get());
    addGroup(QStringLiteral("Boiler room"));
    addGroup(QStringLiteral("Pumps"));
    addGroup(QStringLiteral("Gate"));

    UserItem* first = addUser(QStringLiteral("Tomas Verlen"), QStringLiteral("User_0"));
    first->post = QStringLiteral("Operator");
    first->photo = QStringLiteral(":/photo/pict/User_No-Photo.png");
    first->password = QStringLiteral("70461");
    first->phone = QStringLiteral("+1 555 0100");
    first->email = QStringLiteral("tomas@example.org");
    first->access = accessMap({ { QStringLiteral("Pumps"), int(ReadOnly) } });
    addUser(QStringLiteral("Ada Norberg"), QStringLiteral("User_11"))->password = QStringLiteral("secret");
}

void tst_UsersSettingsDialog::cleanup()
{
    delete m_dialog.data();
    m_area.reset();
    XWidgetsPanel = nullptr;
    m_groupRecords.clear();
    m_users.clear();
    m_records.clear();
    m_settings.reset();
    m_dir.reset();
}

void tst_UsersSettingsDialog::addGroup(const QString& name)
{
    m_groupRecords.emplace_back(new XWidgetGroupSettings);
    m_groupRecords.back()->name = name;
    XWidgetsPanel->groups->append(new XWidgetGroup(m_groupRecords.back().get(), XWidgetsPanel));
}

UserItem* tst_UsersSettingsDialog::addUser(const QString& fullName, const QString& userName)
{
    m_records.emplace_back(new UserItem);
    UserItem* user = m_records.back().get();
    user->fullName = fullName;
    user->userName = userName;
    m_users << user;
    return user;
}

QLineEdit* tst_UsersSettingsDialog::edit(const QString& name) const
{
    auto* found = m_dialog->findChild<QLineEdit*>(name);
    if (!found)
        qFatal("no line edit %s", qPrintable(name));
    return found;
}

QPushButton* tst_UsersSettingsDialog::button(const QString& text) const
{
    const QList<QPushButton*> buttons = m_dialog->findChildren<QPushButton*>();
    for (QPushButton* candidate : buttons) {
        if (candidate->text() == text)
            return candidate;
    }
    qFatal("no button %s", qPrintable(text));
    return nullptr;
}

QTableView* tst_UsersSettingsDialog::table() const
{
    return m_dialog->findChild<QTableView*>();
}

void tst_UsersSettingsDialog::openDialog(int row)
{
    m_dialog = new UsersSettingsDialog(&m_users, row);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
}

void tst_UsersSettingsDialog::okStoresTheCard()
{
    UserItem* user = m_users.at(0);
    openDialog(0);
    QCOMPARE(edit(QStringLiteral("fullName"))->text(), user->fullName);
    QCOMPARE(edit(QStringLiteral("photo"))->text(), user->photo);
    QCOMPARE(edit(QStringLiteral("password"))->echoMode(), QLineEdit::Normal);
    QVERIFY(button(QStringLiteral("OK"))->isDefault());
    QCheckBox* saveWeb = m_dialog->findChild<QCheckBox*>();
    QVERIFY(!saveWeb->isChecked());

    const QStringList fields { QStringLiteral("fullName"), QStringLiteral("post"), QStringLiteral("photo"),
        QStringLiteral("userName"), QStringLiteral("password"), QStringLiteral("phone"),
        QStringLiteral("email") };
    for (const QString& field : fields) {
        QLineEdit* line = edit(field);
        line->clear();
        // Spaces are kept: what the operator typed is what is stored.
        QTest::keyClicks(line, QStringLiteral(" new %1 ").arg(field));
    }
    QTest::mouseClick(saveWeb, Qt::LeftButton);
    QTest::mouseClick(button(QStringLiteral("OK")), Qt::LeftButton);

    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(user->fullName, QStringLiteral(" new fullName "));
    QCOMPARE(user->post, QStringLiteral(" new post "));
    QCOMPARE(user->photo, QStringLiteral(" new photo "));
    QCOMPARE(user->userName, QStringLiteral(" new userName "));
    QCOMPARE(user->password, QStringLiteral(" new password "));
    QCOMPARE(user->phone, QStringLiteral(" new phone "));
    QCOMPARE(user->email, QStringLiteral(" new email "));
    QVERIFY(user->saveParametersWEB);
    // OK has the dialog deleted once it has closed.
    QTRY_VERIFY(m_dialog.isNull());
}

void tst_UsersSettingsDialog::okChecks_data()
{
    QTest::addColumn<QString>("fullName");
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");

    const QString wrong = QStringLiteral("Fields are filled in incorrectly");
    QTest::newRow("unchanged user is not busy with itself") << "Tomas Verlen"
                                                            << "User_0"
                                                            << "70461" << QString();
    QTest::newRow("password of three characters") << "Tomas Verlen"
                                                  << "User_0"
                                                  << "abc" << QString();
    QTest::newRow("password of two characters") << "Tomas Verlen"
                                                << "User_0"
                                                << "ab" << wrong;
    QTest::newRow("full name of two characters") << "Tv"
                                                 << "User_0"
                                                 << "70461" << wrong;
    QTest::newRow("user name of two characters") << "Tomas Verlen"
                                                 << "U0"
                                                 << "70461" << wrong;
    QTest::newRow("full name of another user") << "Ada Norberg"
                                               << "User_0"
                                               << "70461" << QStringLiteral("Full name is busy");
    QTest::newRow("user name of another user") << "Tomas Verlen"
                                               << "User_11"
                                               << "70461" << QStringLiteral("User name is busy");
    QTest::newRow("full name is checked before user name") << "Ada Norberg"
                                                           << "User_11"
                                                           << "70461" << QStringLiteral("Full name is busy");
    QTest::newRow("names differing only in case are free") << "ada norberg"
                                                           << "user_11"
                                                           << "70461" << QString();
}

void tst_UsersSettingsDialog::okChecks()
{
    QFETCH(QString, fullName);
    QFETCH(QString, userName);
    QFETCH(QString, password);
    QFETCH(QString, message);

    UserItem* user = m_users.at(0);
    const QVariantMap before = user->map();
    openDialog(0);
    edit(QStringLiteral("fullName"))->setText(fullName);
    edit(QStringLiteral("userName"))->setText(userName);
    edit(QStringLiteral("password"))->setText(password);
    edit(QStringLiteral("post"))->setText(QStringLiteral("Engineer"));

    QList<ModalAnswerer::Expected> expected;
    if (!message.isEmpty())
        expected << ModalAnswerer::Expected { "QMessageBox", "", "OK" };
    ModalAnswerer answerer(expected);
    QTest::mouseClick(button(QStringLiteral("OK")), Qt::LeftButton);
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));

    if (message.isEmpty()) {
        QVERIFY(answerer.transcript.isEmpty());
        QCOMPARE(user->fullName, fullName);
        QCOMPARE(user->userName, userName);
        QCOMPARE(user->password, password);
        QCOMPARE(user->post, QStringLiteral("Engineer"));
        QTRY_VERIFY(m_dialog.isNull());
    } else {
        QCOMPARE(
            answerer.transcript, QStringList { QStringLiteral("box  | %1 | OK | default OK").arg(message) });
        QCOMPARE(user->map(), before);
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(edit(QStringLiteral("fullName"))->text(), fullName);
    }
}

void tst_UsersSettingsDialog::accessThroughTheTable()
{
    UserItem* user = m_users.at(0);
    // An entry for a group that has left the panel since.
    user->access.insert(QStringLiteral("Old yard"), ReadAndWrite);
    openDialog(0);
    QTableView* view = table();
    QAbstractItemModel* model = view->model();
    QVERIFY(qobject_cast<UserSettingsDialogServicesDelegate*>(view->itemDelegate()));

    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Group name"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Access type"));
    QCOMPARE(model->headerData(2, Qt::Vertical).toString(), QStringLiteral("3"));
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->columnCount(), 2);
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows << QStringLiteral("%1=%2").arg(
            model->index(row, 0).data().toString(), model->index(row, ACCESS_COLUMN).data().toString());
    QCOMPARE(rows, (QStringList { "Boiler room=0", "Pumps=1", "Gate=0" }));
    QVERIFY(!(model->flags(model->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(model->flags(model->index(0, ACCESS_COLUMN)) & Qt::ItemIsEditable);

    // Gate gets "Read and write" through the combo box in its cell.
    const QModelIndex gate = model->index(2, ACCESS_COLUMN);
    const QPoint cell = view->visualRect(gate).center();
    // A widget's double click in QTest comes without the press that precedes it on screen.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
    auto* combo = qobject_cast<QComboBox*>(view->indexWidget(gate));
    QVERIFY(combo);
    QVERIFY(combo->autoFillBackground());
    QCOMPARE(combo->geometry(), view->visualRect(gate));
    QCOMPARE(combo->currentIndex(), 0);
    QStringList names;
    for (int index = 0; index < combo->count(); ++index)
        names << combo->itemText(index);
    QCOMPARE(names, (QStringList { "Not allowed", "Read only", "Read and write" }));
    combo->setCurrentIndex(int(ReadAndWrite));
    QTest::keyClick(combo, Qt::Key_Return);
    QTRY_VERIFY(!view->indexWidget(gate));
    QCOMPARE(gate.data().toInt(), int(ReadAndWrite));
    // The table is a copy until OK.
    QCOMPARE(user->access.value(QStringLiteral("Gate"), NotAllowed), NotAllowed);
    QVERIFY(user->access.contains(QStringLiteral("Old yard")));

    QTest::mouseClick(button(QStringLiteral("OK")), Qt::LeftButton);

    const QMap<QString, UserItem_ACCESS_TYPE> expected = accessMap({ { QStringLiteral("Boiler room"), 0 },
        { QStringLiteral("Pumps"), 1 }, { QStringLiteral("Gate"), 2 } });
    QCOMPARE(user->access, expected);
}

void tst_UsersSettingsDialog::accessWithoutAName()
{
    UserItem* user = m_users.at(0);
    user->access.insert(QStringLiteral("Gate"), UserItem_ACCESS_TYPE(7));
    openDialog(0);
    QTableView* view = table();
    const QModelIndex gate = view->model()->index(2, ACCESS_COLUMN);
    QCOMPARE(gate.data().toInt(), 7);

    // Opening and leaving the editor without a choice keeps the hand-edited value.
    view->edit(gate);
    auto* combo = qobject_cast<QComboBox*>(view->indexWidget(gate));
    QVERIFY(combo);
    QCOMPARE(combo->currentIndex(), -1);
    QTest::keyClick(combo, Qt::Key_Return);
    QTRY_VERIFY(!view->indexWidget(gate));
    QCOMPARE(gate.data().toInt(), 7);
    QTest::mouseClick(button(QStringLiteral("OK")), Qt::LeftButton);
    QCOMPARE(int(user->access.value(QStringLiteral("Gate"))), 7);
}

void tst_UsersSettingsDialog::deleteUser_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("removed");

    QTest::newRow("Yes removes the user") << "Yes" << true;
    QTest::newRow("No keeps the user and the dialog") << "No" << false;
}

void tst_UsersSettingsDialog::deleteUser()
{
    QFETCH(QString, answer);
    QFETCH(bool, removed);

    UserItem* user = m_users.at(0);
    UserItem* other = m_users.at(1);
    // The same record twice: every entry goes.
    m_users << user;
    const QVariantMap before = user->map();
    openDialog(0);
    // Removing does not depend on valid fields.
    edit(QStringLiteral("password"))->setText(QStringLiteral("x"));

    ModalAnswerer answerer({ { "QMessageBox", "", answer } });
    QTest::mouseClick(button(QStringLiteral("Delete user")), Qt::LeftButton);
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));

    QCOMPARE(
        answerer.transcript, QStringList { QStringLiteral("box  | Are you sure? | No,Yes | default No") });
    if (removed) {
        QCOMPARE(m_users, QList<UserItem*> { other });
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        QVERIFY(!m_dialog->isVisible());
    } else {
        QCOMPARE(m_users, (QList<UserItem*> { user, other, user }));
        QVERIFY(m_dialog->isVisible());
    }
    QCOMPARE(user->map(), before);
}

void tst_UsersSettingsDialog::cancelChangesNothing()
{
    UserItem* user = m_users.at(0);
    const QVariantMap before = user->map();
    const QList<UserItem*> users = m_users;
    openDialog(0);
    edit(QStringLiteral("fullName"))->setText(QStringLiteral("Somebody Else"));
    edit(QStringLiteral("password"))->setText(QStringLiteral("changed"));
    m_dialog->findChild<QCheckBox*>()->setChecked(true);
    QAbstractItemModel* model = table()->model();
    QVERIFY(model->setData(model->index(0, ACCESS_COLUMN), int(ReadAndWrite)));

    QTest::keyClick(m_dialog, Qt::Key_Escape);

    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(user->map(), before);
    QCOMPARE(m_users, users);
}

void tst_UsersSettingsDialog::photoFileDialog_data()
{
    QTest::addColumn<bool>("choose");

    QTest::newRow("a chosen file replaces the path") << true;
    QTest::newRow("cancel keeps the path") << false;
}

void tst_UsersSettingsDialog::photoFileDialog()
{
    QFETCH(bool, choose);

    const QString picture = m_dir->filePath(QStringLiteral("face.png"));
    QFile file(picture);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString start = m_dir->filePath(QStringLiteral("old.png"));
    m_users.at(0)->photo = start;
    openDialog(0);
    QLineEdit* photo = edit(QStringLiteral("photo"));

    // The card stays open, modal too, beneath the file dialog.
    ModalAnswerer answerer(
        { { "QFileDialog", "Open file", choose ? picture : QString::fromLatin1(ModalAnswerer::CANCEL) } });
    QTest::mouseClick(button(QStringLiteral("...")), Qt::LeftButton);
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));

    QCOMPARE(answerer.transcript,
        QStringList { QStringLiteral("file Open file | %1 | Picture file (*.png)").arg(QDir(m_dir->path()).absolutePath()) });
    QCOMPARE(photo->text(), choose ? picture : start);
    QCOMPARE(m_users.at(0)->photo, start);
    QVERIFY(m_dialog->isVisible());
}

void tst_UsersSettingsDialog::columnTitlesShowInFull_data()
{
    RowTranslation::addRows(TestAppFolder::stageDir() + QStringLiteral("/lng/de.qm"));
}

void tst_UsersSettingsDialog::columnTitlesShowInFull()
{
    RowTranslation translation;
    QVERIFY(translation.loaded());
    openDialog(0);
    translation.remove();
    const QStringList cut = waitForFullColumnTitles(table());
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral(", "))));
}

QTEST_MAIN(tst_UsersSettingsDialog)
#include "tst_userssettingsdialog.moc"
