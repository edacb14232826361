#pragma once

#include <QGroupBox>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QSize>

class QAction;
class QMenu;
class XWidget;
class XWidgetGroupSettings;
class XWidgetPanel;

// A titled box on the panel that holds widgets; moved with Ctrl-drag,
// resized by its right and bottom edges.
class XWidgetGroup : public QGroupBox
{
    Q_OBJECT

public:
    XWidgetGroup(XWidgetGroupSettings* settings, XWidgetPanel* panel);
    ~XWidgetGroup() override;

    void moveAndResize();
    // Takes the size that holds the group's widgets; the record and the panel follow.
    void growToHold(QSize size);
    void addXWidget(XWidget* w);
    void removeXWidget(XWidget* w, bool toPanel);
    void updateBgimage();
    void resetEditing();

    XWidgetGroupSettings* settings = nullptr;
    QList<XWidget*> widgets;
    QPoint pressPoint;
    QSize pressSize = QSize(-1, -1);
    bool moving = false;
    bool resizeWidth = false;
    bool resizeHeight = false;
    bool resizeBoth = false;
    QMenu* menu = nullptr;
    QAction* gridAction = nullptr;
    QAction* useImageAction = nullptr;
    QMenu* imageMenu = nullptr;
    QPixmap bgImage;

signals:
    void groupDelete(XWidgetGroup* gr);
    void makeStandartWidgetClicked();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private slots:
    void alignedToTheGridToggled(bool checked);
    void sizeAdjust();
    void useImageToggled(bool checked);
    void imageChanged();
    void widgetDestroyed(QObject* obj);
    void deleteGroup();

private:
    XWidgetPanel* panel() const;
    void growPanelToHold();
};
