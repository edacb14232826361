#include "xwidgetcontextmenu.h"

XWidgetContextMenu::XWidgetContextMenu(QWidget* parent)
    : QMenu(parent)
{
    connect(addAction(tr("Base settings")), &QAction::triggered, this, &XWidgetContextMenu::baseSettings);
    connect(addAction(tr("Copy ID")), &QAction::triggered, this, &XWidgetContextMenu::copyID);
    addSeparator();
    connect(addAction(tr("Data")), &QAction::triggered, this, &XWidgetContextMenu::data);
}
