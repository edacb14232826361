#include "tablemodel.h"

#include "item.h"

#include <QColor>
#include <QMessageBox>
#include <QPixmap>

namespace {
const int SWATCH_SIZE = 10;
}

TableModel::TableModel(QWidget* messageParent)
    : header { tr("Condition"), tr("Value"), tr("Text"), tr("Color"), tr("Delete") }
    , messageParent(messageParent)
{
}

TableModel::~TableModel()
{
    qDeleteAll(items);
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : items.size();
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : header.size();
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return header.value(section);
    return QString::number(section + 1);
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= items.size())
        return Qt::ItemIsEnabled;
    switch (index.column()) {
    case ConditionColumn:
    case TextColumn:
    case ColorColumn:
        return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
    case ValueColumn:
        // "Other" matches every value, so a comparison value would mean nothing.
        if (items.at(index.row())->condition == Item::Other)
            return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
        return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
    default:
        return Qt::ItemIsEnabled;
    }
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= items.size())
        return QVariant();
    const Item* item = items.at(index.row());

    if (role == Qt::DecorationRole && index.column() == ColorColumn) {
        // Checked first: an unknown name gives the same invalid colour, without a warning per repaint.
        QColor color;
        if (QColor::isValidColor(item->color))
            color.setNamedColor(item->color);
        QPixmap swatch(SWATCH_SIZE, SWATCH_SIZE);
        swatch.fill(color);
        return swatch;
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();

    switch (index.column()) {
    case ConditionColumn:
        return item->condition;
    case ValueColumn:
        return item->value;
    case TextColumn:
        return item->text;
    case ColorColumn:
        return item->color;
    case DeleteColumn:
        return tr("Delete");
    default:
        return QVariant();
    }
}

bool TableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= items.size())
        return false;
    Item* item = items.at(index.row());
    switch (index.column()) {
    case ConditionColumn:
        item->condition = value.toInt();
        return true;
    case ValueColumn:
        item->value = value.toString();
        return true;
    case TextColumn:
        item->text = value.toString();
        return true;
    case ColorColumn:
        item->color = value.toString();
        return true;
    default:
        return false;
    }
}

void TableModel::clicked(QModelIndex index)
{
    if (!index.isValid() || index.column() != DeleteColumn)
        return;
    const QMessageBox::StandardButton answer = QMessageBox::question(messageParent, tr("Deleting item"),
        tr("Are you sure") + QLatin1Char('?'), QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes)
        deleteItem(index.row());
}

void TableModel::addNewItem(Item* item)
{
    if (!item)
        item = new Item;
    beginInsertRows(QModelIndex(), items.size(), items.size());
    items.append(item);
    endInsertRows();
}

void TableModel::deleteItem(int row)
{
    if (row >= 0 && row < items.size())
        removeItemAt(row);
}

void TableModel::removeItemAt(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
    delete items.takeAt(row);
    endRemoveRows();
}
