#include "xhttpmodel.h"

#include "item.h"

namespace {
enum Column { NAME_COLUMN = 0, REQUEST_COLUMN = 1, COMMENT_COLUMN = 2 };
}

XHttpModel::XHttpModel(QList<Item*>* items, QObject* parent)
    : QAbstractTableModel(parent)
    , m_items(items)
    , m_titles({ tr("Name"), tr("HTTP request"), tr("Comment") })
{
}

int XHttpModel::rowCount(const QModelIndex& parent) const
{
    Q_UNUSED(parent)
    return m_items->size();
}

int XHttpModel::columnCount(const QModelIndex& parent) const
{
    Q_UNUSED(parent)
    return m_titles.size();
}

QVariant XHttpModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_items->size())
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    const Item* item = m_items->at(index.row());
    switch (index.column()) {
    case NAME_COLUMN:
        return item->name;
    case REQUEST_COLUMN:
        return item->request;
    case COMMENT_COLUMN:
        return item->comment;
    default:
        return QVariant();
    }
}

bool XHttpModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= m_items->size() || role != Qt::EditRole)
        return false;
    Item* item = m_items->at(index.row());
    switch (index.column()) {
    case NAME_COLUMN:
        item->name = value.toString();
        break;
    case REQUEST_COLUMN:
        item->request = value.toString();
        break;
    case COMMENT_COLUMN:
        item->comment = value.toString();
        break;
    default:
        return false;
    }
    emit dataChanged(index, index, { role });
    return true;
}

QVariant XHttpModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return m_titles.value(section);
    return QString::number(section + 1);
}

Qt::ItemFlags XHttpModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return QAbstractTableModel::flags(index);
    return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
}

void XHttpModel::addNewItem(Item* item)
{
    if (!item)
        item = new Item;
    const int row = m_items->size();
    beginInsertRows(QModelIndex(), row, row);
    m_items->append(item);
    endInsertRows();
}

void XHttpModel::deleteItem(int row)
{
    // The widget passes the table's current row; anything else is no row of ours.
    if (row < 0 || row >= m_items->size())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    delete m_items->takeAt(row);
    endRemoveRows();
}
