#pragma once

#include <QDialog>
#include <QList>

class QCheckBox;
class QLineEdit;
class QTableView;
class UserItem;
class UserSettingsDialogServicesModel;
class UsersSettingsDialogPhotoFileSelect;

// Edits one user of the list: the card, the sign-in name and password, the
// access to each group and the web settings switch. The record changes only
// when OK passes the checks; "Delete user" takes it out of the list.
class UsersSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    UsersSettingsDialog(QList<UserItem*>* users, int row, QWidget* parent = nullptr);

public slots:
    void okClicked();
    void deleteUser();

private:
    bool takenByAnother(const QString& text, QString UserItem::*field) const;
    void inform(const QString& text);

    QList<UserItem*>* m_users = nullptr;
    UserItem* m_user = nullptr;
    UsersSettingsDialogPhotoFileSelect* m_photo = nullptr;
    QLineEdit* m_fullName = nullptr;
    QLineEdit* m_post = nullptr;
    QLineEdit* m_userName = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_phone = nullptr;
    QLineEdit* m_email = nullptr;
    QTableView* m_accessView = nullptr;
    UserSettingsDialogServicesModel* m_accessModel = nullptr;
    QCheckBox* m_saveParametersWEB = nullptr;
};
