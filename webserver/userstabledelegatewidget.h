#pragma once

#include <QWidget>

class QHBoxLayout;
class QLabel;
class UserItem;

// A user's card: photo, name, post, phone, e-mail and the last web request.
class UsersTableDelegateWidget : public QWidget
{
    Q_OBJECT

public:
    explicit UsersTableDelegateWidget(QWidget* parent = nullptr);

    void setUser(UserItem* user);

private:
    QHBoxLayout* m_layout = nullptr;
    QLabel* m_photoLabel = nullptr;
    QLabel* m_nameLabel = nullptr;
    QLabel* m_postLabel = nullptr;
    QLabel* m_phoneLabel = nullptr;
    QLabel* m_emailLabel = nullptr;
    QLabel* m_lastRequestLabel = nullptr;
};
