#include "userstablemodel.h"

#include "useritem.h"

UsersTableModel::UsersTableModel(QList<UserItem*>* users, QObject* parent)
    : QAbstractListModel(parent)
    , m_users(users)
{
}

int UsersTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_users->count();
}

QVariant UsersTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_users->count() || role != Qt::DisplayRole)
        return QVariant();
    return QVariant::fromValue(m_users->at(index.row()));
}

Qt::ItemFlags UsersTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

void UsersTableModel::addNew(UserItem* user)
{
    const int row = m_users->count();
    beginInsertRows(QModelIndex(), row, row);
    m_users->append(user);
    endInsertRows();
}

void UsersTableModel::deleteItem(int row)
{
    if (row < 0 || row >= m_users->count())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    // Only taken out: a connection thread that signed this user in still holds it.
    m_users->removeAt(row);
    endRemoveRows();
}

void UsersTableModel::reload()
{
    beginResetModel();
    endResetModel();
}
