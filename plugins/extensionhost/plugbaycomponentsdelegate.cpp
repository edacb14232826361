#include "plugbaycomponentsdelegate.h"

#include "plugbaycomponentitem.h"
#include "plugbaycomponentsmodel.h"
#include "xwidget.h"
#include "xwidgetgroup.h"
#include "xwidgetpanel.h"
#include "xwidgetsettings.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentsettings.h"

#include <QComboBox>

#include <iterator>

namespace {
const char STANDART_WIDGET_CLASS[] = "XWidgetStandart";
}

PlugbayComponentsDelegate::PlugbayComponentsDelegate(
    QMap<QString, PlugbayComponentItem*>* components, QObject* parent)
    : QStyledItemDelegate(parent)
    , components(components)
{
}

QWidget* PlugbayComponentsDelegate::createEditor(
    QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.column() == PlugbayComponentsModel::WidgetColumn) {
        auto* combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setAutoFillBackground(true);
        combo->addItem(QString());
        combo->addItems(standartWidgetIds());
        return combo;
    }
    if (index.column() == PlugbayComponentsModel::ComponentColumn) {
        auto* combo = new QComboBox(parent);
        combo->setEditable(false);
        combo->setAutoFillBackground(true);
        combo->addItem(QString());
        const int row = index.row();
        PlugbayComponentItem* item = row >= 0 && row < components->size()
            ? std::next(components->constBegin(), row).value()
            : nullptr;
        if (item && item->xwidget) {
            for (XWidgetStandartComponent* component : qAsConst(item->xwidget->components)) {
                if (component->object)
                    combo->addItem(component->settings->name);
            }
        }
        return combo;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
}

QStringList PlugbayComponentsDelegate::standartWidgetIds()
{
    QStringList ids;
    if (!XWidgetsPanel)
        return ids;
    // By class name: the host's widgets carry the host's type information.
    if (XWidgetsPanel->groups) {
        for (XWidgetGroup* group : qAsConst(*XWidgetsPanel->groups)) {
            for (XWidget* widget : qAsConst(group->widgets)) {
                if (widget->inherits(STANDART_WIDGET_CLASS))
                    ids << widget->widgetSettings->id;
            }
        }
    }
    const QObjectList children = XWidgetsPanel->children();
    for (QObject* child : children) {
        if (child->inherits(STANDART_WIDGET_CLASS))
            ids << static_cast<XWidget*>(child)->widgetSettings->id;
    }
    return ids;
}
