#pragma once

#include <QMap>
#include <QStyledItemDelegate>

class PlugbayComponentItem;

// Edits the bindings of the Components table: the Widget column offers the
// IDs of the panel's standard widgets and takes a typed one, the component
// column offers the components of the widget bound in that row.
class PlugbayComponentsDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    PlugbayComponentsDelegate(QMap<QString, PlugbayComponentItem*>* components, QObject* parent);

    QWidget* createEditor(
        QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The IDs of the panel's standard widgets: those in groups first, in
    // group order, then those placed on the panel itself.
    static QStringList standartWidgetIds();

    QMap<QString, PlugbayComponentItem*>* components = nullptr;
};
