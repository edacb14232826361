#include "xwidgetstandartdialogmodel.h"

#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentbaseclass.h"
#include "xwidgetstandartdialogcomponentitem.h"

XWidgetStandartDialogModel::XWidgetStandartDialogModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

XWidgetStandartDialogModel::~XWidgetStandartDialogModel()
{
    qDeleteAll(items);
}

int XWidgetStandartDialogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : items.size();
}

int XWidgetStandartDialogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant XWidgetStandartDialogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= items.size() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    const XWidgetStandartDialogComponentItem* item = items.at(index.row());
    const bool hasObject = item->component && item->component->object;
    switch (index.column()) {
    case NameColumn:
        return item->name;
    case LibraryColumn:
        return item->libName;
    case ConnectToColumn:
        return item->connectToComponent;
    case ShowColumn:
        return hasObject && item->component->object->haveSettingsDialog() ? tr("Show") : QString();
    case CopyColumn:
        return item->canCopy() ? tr("Copy") : QString();
    case PasteColumn:
        if (item->libName.isEmpty())
            return QString();
        return item->editedLibSettings.isEmpty() ? tr("Paste") : tr("Paste") + QStringLiteral(" (+)");
    default:
        return QVariant();
    }
}

QVariant XWidgetStandartDialogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QString::number(section + 1);
    switch (section) {
    case NameColumn:
        return tr("Name");
    case LibraryColumn:
        return tr("Library");
    case ConnectToColumn:
        return tr("Connect to");
    case ShowColumn:
    case CopyColumn:
    case PasteColumn:
        return tr("Settings");
    default:
        return QVariant();
    }
}

Qt::ItemFlags XWidgetStandartDialogModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.column() <= ConnectToColumn)
        return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled;
}

bool XWidgetStandartDialogModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= items.size())
        return false;
    XWidgetStandartDialogComponentItem* item = items.at(index.row());
    const QString text = value.toString();
    switch (index.column()) {
    case NameColumn:
        if (nameIsTakenByOther(text, index.row())) {
            emit nameRefused(text);
            return false;
        }
        item->setName(text);
        break;
    case LibraryColumn:
        item->setLibName(text);
        break;
    case ConnectToColumn:
        item->connectToComponent = text;
        break;
    default:
        return false;
    }
    emit listUpdated();
    // The other cells of the row follow what the row holds now.
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    return true;
}

bool XWidgetStandartDialogModel::nameIsTakenByOther(const QString& name, int row) const
{
    for (int i = 0; i < items.size(); ++i) {
        if (i != row && items.at(i)->name == name)
            return true;
    }
    return false;
}

void XWidgetStandartDialogModel::addNewItem(XWidgetStandartDialogComponentItem* item)
{
    const int row = items.size();
    beginInsertRows(QModelIndex(), row, row);
    items.append(item ? item : new XWidgetStandartDialogComponentItem);
    endInsertRows();
    emit listUpdated();
}

void XWidgetStandartDialogModel::deleteItem(int n)
{
    if (!items.isEmpty() && n >= 0 && n < items.size())
        removeItemAt(n);
}

void XWidgetStandartDialogModel::deleteItems(QList<int> rows)
{
    for (int i = 0; i < rows.size(); ++i) {
        const int removed = rows.at(i);
        deleteItem(removed);
        for (int j = i + 1; j < rows.size(); ++j) {
            if (rows.at(j) > removed)
                --rows[j];
        }
    }
}

void XWidgetStandartDialogModel::removeItemAt(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
    delete items.takeAt(row);
    endRemoveRows();
    emit listUpdated();
}

QModelIndex XWidgetStandartDialogModel::itemUp(QModelIndex n)
{
    const int row = n.row();
    if (row <= 0 || row >= items.size())
        return n;
    items.swapItemsAt(row, row - 1);
    update();
    return index(row - 1, n.column());
}

QList<int> XWidgetStandartDialogModel::itemsUp(QList<int> rows)
{
    for (int row : qAsConst(rows)) {
        if (row <= 0 || row >= items.size())
            return QList<int>();
    }
    QList<int> moved;
    for (int row : qAsConst(rows)) {
        items.swapItemsAt(row, row - 1);
        moved.append(row - 1);
    }
    update();
    return moved;
}

QModelIndex XWidgetStandartDialogModel::itemDown(QModelIndex n)
{
    const int row = n.row();
    if (row < 0 || row >= items.size() - 1)
        return n;
    items.swapItemsAt(row, row + 1);
    update();
    return index(row + 1, n.column());
}

QList<int> XWidgetStandartDialogModel::itemsDown(QList<int> rows)
{
    for (int row : qAsConst(rows)) {
        if (row < 0 || row >= items.size() - 1)
            return QList<int>();
    }
    QList<int> moved;
    for (int i = rows.size() - 1; i >= 0; --i) {
        items.swapItemsAt(rows.at(i), rows.at(i) + 1);
        moved.prepend(rows.at(i) + 1);
    }
    update();
    return moved;
}

void XWidgetStandartDialogModel::update()
{
    emit listUpdated();
    if (!items.isEmpty())
        emit dataChanged(index(0, 0), index(items.size() - 1, ColumnCount - 1));
}
