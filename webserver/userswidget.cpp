#include "userswidget.h"

#include "useritem.h"
#include "userstabledelegate.h"
#include "userstablelistview.h"
#include "userstablemodel.h"

#include <QHBoxLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const int ADD_BUTTON_MAX_WIDTH = 150;
const char FIRST_FULL_NAME[] = "Tomas Verlen";
const char USER_NAME_PREFIX[] = "User_";
const int USER_NAME_NUMBER_FACTOR = 11;
const char DEFAULT_PASSWORD[] = "70461";
const char NO_PHOTO_PICTURE[] = ":/photo/pict/User_No-Photo.png";
}

UsersWidget::UsersWidget(QList<UserItem*>* users, QWidget* parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
    , m_users(users)
{
    setObjectName(QStringLiteral("UsersWidget"));

    auto* model = new UsersTableModel(m_users, this);
    auto* view = new UsersTableListView(model, this);
    view->setItemDelegate(new UsersTableDelegate(view));
    m_layout->addWidget(view);

    auto* addButton = new QPushButton(tr("Add"), this);
    addButton->setMaximumWidth(ADD_BUTTON_MAX_WIDTH);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(addButton);
    m_layout->addLayout(buttonRow);

    connect(addButton, &QPushButton::clicked, this, &UsersWidget::addNewItem);
    connect(this, &UsersWidget::addNew, model, &UsersTableModel::addNew);
}

// Asks until the text is neither empty nor some user's field; false on cancel.
// *text is the suggestion and, after each answer, the last entered text.
bool UsersWidget::askFreeName(const QString& prompt, QString* text, QString UserItem::*field)
{
    for (;;) {
        bool ok = false;
        *text = QInputDialog::getText(this, QString(), prompt, QLineEdit::Normal, *text, &ok);
        if (!ok)
            return false;
        if (text->isEmpty()) {
            QMessageBox::information(this, QString(), tr("String is empty"), QMessageBox::Ok);
            continue;
        }
        const bool busy = std::any_of(
            m_users->cbegin(), m_users->cend(), [&](const UserItem* user) { return user->*field == *text; });
        if (busy) {
            QMessageBox::information(this, QString(), tr("This name is busy"), QMessageBox::Ok);
            continue;
        }
        return true;
    }
}

void UsersWidget::addNewItem()
{
    QString fullName = QLatin1String(FIRST_FULL_NAME);
    if (!askFreeName(tr("Enter full name"), &fullName, &UserItem::fullName))
        return;
    QString userName
        = QLatin1String(USER_NAME_PREFIX) + QString::number(m_users->count() * USER_NAME_NUMBER_FACTOR);
    if (!askFreeName(tr("Enter user name"), &userName, &UserItem::userName))
        return;

    auto* user = new UserItem;
    user->fullName = fullName;
    user->userName = userName;
    user->password = QLatin1String(DEFAULT_PASSWORD);
    user->photo = QLatin1String(NO_PHOTO_PICTURE);
    emit addNew(user);
}
