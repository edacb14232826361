#pragma once

#include "journalitem.h"

#include <QAbstractListModel>
#include <QIcon>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

class JournalExchangeItem;
class JournalFilter;

// The program's one event log. Owns every item its sources post, keeps the
// newest maximum-rows of them and shows those that pass its filter, one row
// each (columns date-time, source, text), coloured by level.
//
// Views are told exactly of appended and trimmed rows; a change of the filter
// itself, which may hide or show any row, resets the model.
class JournalModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit JournalModel(int maxRows, QObject* parent = nullptr);
    ~JournalModel() override;

    // The model keeps the channel and takes every item it posts.
    void addSource(JournalExchangeItem* source);

    // The filter box; it has no parent until the main window places it.
    JournalFilter* filter() const;

    // A red square while a critical item came in since the last resetErrors().
    QIcon errorIcon() const;

    // Every kept item, oldest first, as the journal file stores them.
    QVariantMap map() const;
    // Appends the items of a journal file, up to the first gap in the numbering.
    void setMap(const QVariantMap& map);
    // True when the map's members have the types that map() writes; missing
    // members are fine.
    static bool isWellTyped(const QVariantMap& map);

    void refreshShown();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void appended();
    void iconUpdated();

public slots:
    void addNew(JournalItem* item);
    void addNew(QString source, QString text, JournalItem::ITEM_LEVEL_t level = JournalItem::ITEM_LEVEL_NONE);
    void update();
    void setMaxRows(int maxRows);
    void clear();
    void toExcel();
    void resetErrors();

private:
    void trim();

    bool m_error = false;
    QPointer<JournalFilter> m_filter;
    int m_maxRows = 0;
    QStringList m_columnTitles;
    QList<JournalItem*> m_items;
    QList<JournalItem*> m_shown;
    QList<QPointer<JournalExchangeItem>> m_sources;
};
