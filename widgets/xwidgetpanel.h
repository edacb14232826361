#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QSettings;
class XWidget;
class XWidgetGroup;
class XWidgetPanelContextMenu;
class XWidgetPanelScrollArea;

// The surface of the "Widgets" tab. Groups and widgets lie on it; the whole
// program finds groups by name and widgets by ID through it.
class XWidgetPanel : public QWidget
{
    Q_OBJECT

public:
    XWidgetPanel(QSettings* settings, XWidgetPanelScrollArea* scrollArea);
    ~XWidgetPanel() override;

    XWidgetGroup* getGroupByName(QString name);
    XWidget* getXWidgetByID(QString id);

    XWidgetPanelContextMenu* contextMenu = nullptr;
    QSettings* settings = nullptr;
    // Kept and changed by the main window, in creation order.
    QList<XWidgetGroup*>* groups = nullptr;
    XWidgetPanelScrollArea* scrollArea = nullptr;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private slots:
    void alignedToTheGridToggled(bool checked);
    void adjustSizeOfPanel();
    void findWidgetByIdClicked();
};
