#include "xwidgetpanelscrollarea.h"

#include <QScrollBar>

XWidgetPanelScrollArea::XWidgetPanelScrollArea(QWidget* parent)
    : QScrollArea(parent)
{
    setObjectName(QStringLiteral("XWidgetPanelScrollArea"));
}

void XWidgetPanelScrollArea::resizeEvent(QResizeEvent* e)
{
    if (QWidget* panel = widget()) {
        panel->adjustSize();
        // The bars are counted whether shown or not, so the minimum does not
        // flip as they come and go.
        panel->setMinimumSize(
            width() - verticalScrollBar()->width(), height() - horizontalScrollBar()->height());
    }
    QScrollArea::resizeEvent(e);
}
