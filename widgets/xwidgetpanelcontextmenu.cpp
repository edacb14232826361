#include "xwidgetpanelcontextmenu.h"

XWidgetPanelContextMenu::XWidgetPanelContextMenu(QWidget* parent)
    : QMenu(parent)
{
    gridAction = addAction(tr("Aligned to the grid"));
    gridAction->setCheckable(true);
    connect(gridAction, &QAction::toggled, this, &XWidgetPanelContextMenu::alignedToTheGridToggled);
    connect(addAction(tr("Add the group")), &QAction::triggered, this,
        &XWidgetPanelContextMenu::makeGroupClicked);
    addSeparator();
    connect(addAction(tr("Add the standart widget")), &QAction::triggered, this,
        &XWidgetPanelContextMenu::makeStandartWidgetClicked);
    connect(addAction(tr("Find widget by ID")), &QAction::triggered, this,
        &XWidgetPanelContextMenu::findWidgetByIdClicked);
    addSeparator();
    connect(addAction(tr("Adjust size")), &QAction::triggered, this, &XWidgetPanelContextMenu::adjustSize);
}
