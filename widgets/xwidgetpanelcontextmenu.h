#pragma once

#include <QMenu>

class QAction;

// The panel's context menu. The grid switch lives in its checkable action,
// which widgets and groups read when they snap.
class XWidgetPanelContextMenu : public QMenu
{
    Q_OBJECT

public:
    explicit XWidgetPanelContextMenu(QWidget* parent);

    QAction* gridAction = nullptr;

signals:
    void alignedToTheGridToggled(bool checked);
    void makeStandartWidgetClicked();
    void findWidgetByIdClicked();
    void makeGroupClicked();
    void adjustSize();
};
