#include "usersettingsdialogservicesmodel.h"

#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetpanel.h"
#include "xwidgetsglobals.h"

namespace {
const int GROUP_NAME_COLUMN = 0;
const int ACCESS_COLUMN = 1;
}

UserSettingsDialogServicesModel::UserSettingsDialogServicesModel(
    QMap<QString, UserItem_ACCESS_TYPE>* access, QObject* parent)
    : QAbstractTableModel(parent)
    , m_access(access)
    , m_headers { tr("Group name"), tr("Access type") }
{
    if (!XWidgetsPanel || !XWidgetsPanel->groups)
        return;
    for (XWidgetGroup* group : qAsConst(*XWidgetsPanel->groups)) {
        auto* row = new Row;
        row->groupName = group->settings->name;
        row->access = m_access->value(row->groupName, NotAllowed);
        m_rows.append(row);
    }
}

UserSettingsDialogServicesModel::~UserSettingsDialogServicesModel()
{
    qDeleteAll(m_rows);
}

QVariant UserSettingsDialogServicesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    const Row* row = m_rows.at(index.row());
    switch (index.column()) {
    case GROUP_NAME_COLUMN:
        return row->groupName;
    case ACCESS_COLUMN:
        return int(row->access);
    default:
        return QVariant();
    }
}

bool UserSettingsDialogServicesModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() != ACCESS_COLUMN
        || role != Qt::EditRole)
        return false;
    m_rows.at(index.row())->access = UserItem_ACCESS_TYPE(value.toInt());
    emit dataChanged(index, index, { Qt::DisplayRole, Qt::EditRole });
    return true;
}

int UserSettingsDialogServicesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int UserSettingsDialogServicesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_headers.size();
}

QVariant UserSettingsDialogServicesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QStringLiteral("%1").arg(section + 1);
    if (section < 0 || section >= m_headers.size())
        return QVariant();
    return m_headers.at(section);
}

Qt::ItemFlags UserSettingsDialogServicesModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsEnabled;
    switch (index.column()) {
    case GROUP_NAME_COLUMN:
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    case ACCESS_COLUMN:
        return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
    default:
        return Qt::ItemIsEnabled;
    }
}

void UserSettingsDialogServicesModel::save()
{
    // Rebuilt from the rows, so groups that left the panel lose their entry.
    m_access->clear();
    for (const Row* row : qAsConst(m_rows))
        m_access->insert(row->groupName, row->access);
}
