#pragma once

#include <QAbstractListModel>
#include <QList>

class UserItem;

// One row per user, in list order; a row's only data is its record pointer.
class UsersTableModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit UsersTableModel(QList<UserItem*>* users, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QList<UserItem*>* users() const { return m_users; }
    // For changes made to the list or its records behind the model's back.
    void reload();

public slots:
    void addNew(UserItem* user);
    void deleteItem(int row);

private:
    QList<UserItem*>* m_users = nullptr;
};
