#pragma once

#include "useritem.h"

#include <QAbstractTableModel>
#include <QList>
#include <QMap>
#include <QStringList>

// One row per group of the panel with the user's access to it. The rows are
// a working copy: the user's map changes only on save().
class UserSettingsDialogServicesModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    UserSettingsDialogServicesModel(QMap<QString, UserItem_ACCESS_TYPE>* access, QObject* parent = nullptr);
    ~UserSettingsDialogServicesModel() override;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void save();

private:
    struct Row
    {
        QString groupName;
        UserItem_ACCESS_TYPE access = NotAllowed;
    };

    QMap<QString, UserItem_ACCESS_TYPE>* m_access = nullptr;
    QList<Row*> m_rows;
    QStringList m_headers;
};
