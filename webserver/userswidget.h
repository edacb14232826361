#pragma once

#include <QList>
#include <QWidget>

class QVBoxLayout;
class UserItem;

// The users tab: the users' cards and the button that adds a user.
class UsersWidget : public QWidget
{
    Q_OBJECT

public:
    explicit UsersWidget(QList<UserItem*>* users, QWidget* parent = nullptr);

signals:
    void addNew(UserItem* user);

public slots:
    void addNewItem();

private:
    bool askFreeName(const QString& prompt, QString* text, QString UserItem::*field);

    QVBoxLayout* m_layout = nullptr;
    QList<UserItem*>* m_users = nullptr;
};
