#include "plugbaycomponentsmodel.h"

#include "plugbaycomponentitem.h"
#include "settings.h"
#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetsettings.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentbaseclass.h"
#include "xwidgetstandartsettings.h"

#include <QColor>
#include <QPixmap>

#include <iterator>

namespace {
const int MARK_SIZE = 10;
const char SETTER_PREFIX[] = "(S) ";

QPixmap unboundMark()
{
    QPixmap mark(MARK_SIZE, MARK_SIZE);
    mark.fill(QColor(255, 0, 0));
    return mark;
}
}

PlugbayComponentsModel::PlugbayComponentsModel(
    QMap<QString, PlugbayComponentItem*>* components, Settings* settings, QObject* parent)
    : QAbstractTableModel(parent)
    , header { tr("Label"), QStringLiteral("ID"), tr("Widget"), tr("Component of widget"), tr("Value") }
    , components(components)
    , settings(settings)
{
}

int PlugbayComponentsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : components->size();
}

int PlugbayComponentsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : header.size();
}

QVariant PlugbayComponentsModel::data(const QModelIndex& index, int role) const
{
    PlugbayComponentItem* item = index.isValid() ? itemAt(index.row()) : nullptr;
    if (!item)
        return QVariant();
    const int column = index.column();
    if (role == Qt::DisplayRole) {
        switch (column) {
        case LabelColumn:
            return item->label;
        case IdColumn:
            return item->setter ? QLatin1String(SETTER_PREFIX) + nameAt(index.row()) : nameAt(index.row());
        case WidgetColumn:
            return widgetText(item);
        case ComponentColumn:
            return item->widgetComponentName;
        case ValueColumn:
            if (XWidgetStandartComponent* component = item->xwidgetComponent())
                return component->object ? component->object->lastSetValue() : QVariant();
            return item->value;
        default:
            return QVariant();
        }
    }
    if (role == Qt::DecorationRole) {
        if ((column == WidgetColumn && !item->xwidget)
            || (column == ComponentColumn && !item->xwidgetComponent()))
            return unboundMark();
        return QVariant();
    }
    if (role == Qt::EditRole) {
        if (column == WidgetColumn)
            return item->widgetId;
        if (column == ComponentColumn)
            return item->widgetComponentName;
    }
    return QVariant();
}

QVariant PlugbayComponentsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section + 1;
    return header.value(section);
}

Qt::ItemFlags PlugbayComponentsModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (index.column() == WidgetColumn || index.column() == ComponentColumn)
        return flags | Qt::ItemIsEditable;
    return flags;
}

bool PlugbayComponentsModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    PlugbayComponentItem* item = index.isValid() ? itemAt(index.row()) : nullptr;
    if (!item || role != Qt::EditRole)
        return false;
    if (index.column() == WidgetColumn)
        item->setWidgetId(value.toString());
    else if (index.column() == ComponentColumn)
        item->setWidgetComponentName(value.toString());
    else
        return false;
    // Into the record at once: the module file written at exit holds it, even
    // when the extension drops the component meanwhile. Nothing reaches the
    // disk before that exit.
    settings->componentsListInsert(nameAt(index.row()), item->widgetId, item->widgetComponentName);
    return true;
}

void PlugbayComponentsModel::update(bool all)
{
    const int rows = rowCount();
    if (rows == 0)
        return;
    const int lastColumn = columnCount() - 1;
    emit dataChanged(index(0, all ? 0 : lastColumn), index(rows - 1, lastColumn));
}

void PlugbayComponentsModel::beginReset()
{
    beginResetModel();
}

void PlugbayComponentsModel::endReset()
{
    endResetModel();
}

QString PlugbayComponentsModel::widgetText(const PlugbayComponentItem* item)
{
    if (item->widgetId.isEmpty())
        return QString();
    QString text;
    if (XWidgetStandart* widget = item->xwidget) {
        if (widget->group)
            text += widget->group->settings->name + QStringLiteral(", ");
        text += widget->settings->name + QLatin1Char(' ');
    }
    return text + QLatin1Char('[') + item->widgetId + QLatin1Char(']');
}

PlugbayComponentItem* PlugbayComponentsModel::itemAt(int row) const
{
    if (row < 0 || row >= components->size())
        return nullptr;
    return std::next(components->constBegin(), row).value();
}

QString PlugbayComponentsModel::nameAt(int row) const
{
    if (row < 0 || row >= components->size())
        return QString();
    return std::next(components->constBegin(), row).key();
}
