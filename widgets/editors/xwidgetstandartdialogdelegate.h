#pragma once

#include <QList>
#include <QStringList>
#include <QStyledItemDelegate>

class XWidgetStandartDialogComponentItem;

// Editors of the component table: the library column picks among the
// component libraries that load, the connect-to column among the other rows.
class XWidgetStandartDialogDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    XWidgetStandartDialogDelegate(
        QList<XWidgetStandartDialogComponentItem*>* items, QObject* parent = nullptr);

    QWidget* createEditor(
        QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

    // Base names of the files in <app>/widgets_components_lib that load as
    // libraries. What loads here stays loaded.
    static QStringList loadableLibraries();

private:
    QList<XWidgetStandartDialogComponentItem*>* m_items = nullptr;
};
