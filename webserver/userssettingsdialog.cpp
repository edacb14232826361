#include "userssettingsdialog.h"

#include "useritem.h"
#include "usersettingsdialogservicesdelegate.h"
#include "usersettingsdialogservicesmodel.h"
#include "userssettingsdialogphotofileselect.h"
#include "xtablefit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const int MIN_REQUIRED_LENGTH = 3;
const int DELETE_BUTTON_MAX_WIDTH = 200;
const int OK_BUTTON_MAX_WIDTH = 150;
const char REQUIRED_MARK[] = "*";

QLineEdit* lineEdit(const QString& objectName, const QString& text)
{
    auto* edit = new QLineEdit(text);
    edit->setObjectName(objectName);
    return edit;
}
}

UsersSettingsDialog::UsersSettingsDialog(QList<UserItem*>* users, int row, QWidget* parent)
    : QDialog(parent)
    , m_users(users)
    , m_user(users->at(row))
{
    const QString required = QLatin1String(REQUIRED_MARK);
    auto* layout = new QVBoxLayout(this);

    auto* information = new QGroupBox(tr("Information"), this);
    auto* rows = new QVBoxLayout(information);

    m_fullName = lineEdit(QStringLiteral("fullName"), m_user->fullName);
    auto* fullNameRow = new QHBoxLayout;
    fullNameRow->addWidget(new QLabel(tr("Full name") + required));
    fullNameRow->addWidget(m_fullName);
    rows->addLayout(fullNameRow);

    m_post = lineEdit(QStringLiteral("post"), m_user->post);
    auto* postRow = new QHBoxLayout;
    postRow->addWidget(new QLabel(tr("Post")));
    postRow->addWidget(m_post);
    rows->addLayout(postRow);

    m_photo = new UsersSettingsDialogPhotoFileSelect(m_user->photo);
    rows->addLayout(m_photo);

    m_userName = lineEdit(QStringLiteral("userName"), m_user->userName);
    m_password = lineEdit(QStringLiteral("password"), m_user->password);
    auto* signInRow = new QHBoxLayout;
    signInRow->addWidget(new QLabel(tr("User name") + required));
    signInRow->addWidget(m_userName);
    signInRow->addWidget(new QLabel(tr("Password") + required));
    signInRow->addWidget(m_password);
    rows->addLayout(signInRow);

    m_phone = lineEdit(QStringLiteral("phone"), m_user->phone);
    m_email = lineEdit(QStringLiteral("email"), m_user->email);
    auto* contactRow = new QHBoxLayout;
    contactRow->addWidget(new QLabel(tr("Phone")));
    contactRow->addWidget(m_phone);
    contactRow->addWidget(new QLabel(QStringLiteral("E-mail")));
    contactRow->addWidget(m_email);
    rows->addLayout(contactRow);

    auto* noteRow = new QHBoxLayout;
    noteRow->addStretch();
    noteRow->addWidget(new QLabel(required + tr("Filling necessarily")));
    rows->addLayout(noteRow);

    layout->addWidget(information);

    m_accessView = new QTableView(this);
    m_accessView->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_accessModel = new UserSettingsDialogServicesModel(&m_user->access, this);
    m_accessView->setModel(m_accessModel);
    auto* accessDelegate = new UserSettingsDialogServicesDelegate(this);
    m_accessView->setItemDelegate(accessDelegate);
    layout->addWidget(m_accessView);

    m_saveParametersWEB = new QCheckBox(tr("Save the parameters set via the WEB"), this);
    m_saveParametersWEB->setChecked(m_user->saveParametersWEB);
    layout->addWidget(m_saveParametersWEB);

    auto* deleteButton = new QPushButton(tr("Delete user"), this);
    deleteButton->setMaximumWidth(DELETE_BUTTON_MAX_WIDTH);
    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setMaximumWidth(OK_BUTTON_MAX_WIDTH);
    okButton->setDefault(true);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(deleteButton);
    buttonRow->addWidget(okButton);
    layout->addLayout(buttonRow);

    connect(deleteButton, &QPushButton::clicked, this, &UsersSettingsDialog::deleteUser);
    connect(okButton, &QPushButton::clicked, this, &UsersSettingsDialog::okClicked);

    XTableFit::openWithTableWidth(this, m_accessView,
        XTableFit::stretchedTableWidth(
            m_accessView, { 0, XTableFit::comboBoxWidth(m_accessView, accessDelegate->accessNames()) }));
}

void UsersSettingsDialog::okClicked()
{
    setAttribute(Qt::WA_DeleteOnClose);

    if (m_fullName->text().size() < MIN_REQUIRED_LENGTH || m_userName->text().size() < MIN_REQUIRED_LENGTH
        || m_password->text().size() < MIN_REQUIRED_LENGTH) {
        inform(tr("Fields are filled in incorrectly"));
        return;
    }
    if (takenByAnother(m_fullName->text(), &UserItem::fullName)) {
        inform(tr("Full name is busy"));
        return;
    }
    if (takenByAnother(m_userName->text(), &UserItem::userName)) {
        inform(tr("User name is busy"));
        return;
    }

    m_user->fullName = m_fullName->text();
    m_user->post = m_post->text();
    m_user->photo = m_photo->lineEdit()->text();
    m_user->userName = m_userName->text();
    m_user->password = m_password->text();
    m_user->phone = m_phone->text();
    m_user->email = m_email->text();
    m_accessModel->save();
    m_user->saveParametersWEB = m_saveParametersWEB->isChecked();
    accept();
}

void UsersSettingsDialog::deleteUser()
{
    const QMessageBox::StandardButton answer = QMessageBox::question(this, QString(),
        tr("Are you sure") + QStringLiteral("?"), QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    // Only taken out: a connection thread that signed this user in still holds it.
    m_users->removeAll(m_user);
    accept();
}

bool UsersSettingsDialog::takenByAnother(const QString& text, QString UserItem::*field) const
{
    return std::any_of(m_users->cbegin(), m_users->cend(),
        [&](const UserItem* other) { return other != m_user && other->*field == text; });
}

void UsersSettingsDialog::inform(const QString& text)
{
    QMessageBox::information(this, QString(), text, QMessageBox::Ok);
}
