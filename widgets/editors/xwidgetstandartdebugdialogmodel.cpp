#include "xwidgetstandartdebugdialogmodel.h"

#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentbaseclass.h"
#include "xwidgetstandartcomponentsettings.h"

namespace {
const int COLUMN_COMPONENT = 0;
const int COLUMN_VALUE = 1;
const int COLUMN_RETURN_VALUE = 2;
const int COLUMN_HAS_SETTER = 3;
}

XWidgetStandartDebugDialogModel::XWidgetStandartDebugDialogModel(
    QList<XWidgetStandartComponent*>* components, QObject* parent)
    : QAbstractTableModel(parent)
    , components(components)
{
    headers << tr("Component") << tr("Value") << tr("Return value") << tr("Has setter");
    for (XWidgetStandartComponent* component : qAsConst(*components)) {
        connect(component, &XWidgetStandartComponent::valueUpdated, this,
            &XWidgetStandartDebugDialogModel::componentValueUpdated);
        connect(component, &XWidgetStandartComponent::returnValueUpdatedSignal, this,
            &XWidgetStandartDebugDialogModel::componentValueUpdated);
    }
}

int XWidgetStandartDebugDialogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : components->size();
}

int XWidgetStandartDebugDialogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : headers.size();
}

QVariant XWidgetStandartDebugDialogModel::data(const QModelIndex& index, int role) const
{
    if (!isComponentRow(index) || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    XWidgetStandartComponent* component = components->at(index.row());
    switch (index.column()) {
    case COLUMN_COMPONENT:
        return component->settings->name;
    case COLUMN_VALUE:
        return component->object ? component->object->lastSetValue().toString() : QString();
    case COLUMN_RETURN_VALUE:
        return component->getValue().toString();
    case COLUMN_HAS_SETTER:
        return component->object && component->object->setter() ? tr("Yes") : tr("No");
    default:
        return QVariant();
    }
}

bool XWidgetStandartDebugDialogModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!isComponentRow(index) || role != Qt::EditRole || index.column() != COLUMN_VALUE)
        return false;
    XWidgetStandartComponent* component = components->at(index.row());
    // Through the widget's value hook, so the script sees it like any value from outside.
    emit component->setValueHandlerSignal(component, value, this);
    // The cell follows when the component announces its new value.
    return false;
}

QVariant XWidgetStandartDebugDialogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return headers.value(section);
    return QString::number(section + 1);
}

Qt::ItemFlags XWidgetStandartDebugDialogModel::flags(const QModelIndex& index) const
{
    if (isComponentRow(index) && index.column() == COLUMN_VALUE)
        return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled;
}

void XWidgetStandartDebugDialogModel::updateRow(int row)
{
    const int lastRow = rowCount() - 1;
    const int lastColumn = columnCount() - 1;
    if (row < 0) {
        if (lastRow >= 0)
            emit dataChanged(index(0, 0), index(lastRow, lastColumn));
        return;
    }
    if (row <= lastRow)
        emit dataChanged(index(row, 0), index(row, lastColumn));
}

void XWidgetStandartDebugDialogModel::setUndefined(int row)
{
    if (row < 0 || row >= components->size())
        return;
    XWidgetStandartComponent* component = components->at(row);
    emit component->setValueHandlerSignal(component, QVariant(), this);
    updateRow(row);
}

void XWidgetStandartDebugDialogModel::componentValueUpdated()
{
    auto* component = qobject_cast<XWidgetStandartComponent*>(sender());
    if (!component)
        return;
    updateRow(components->indexOf(component));
}

bool XWidgetStandartDebugDialogModel::isComponentRow(const QModelIndex& index) const
{
    return index.isValid() && index.row() < components->size();
}
