#pragma once

#include <QScrollArea>

// Shows the panel and keeps it at least as large as the visible area.
class XWidgetPanelScrollArea : public QScrollArea
{
    Q_OBJECT

public:
    explicit XWidgetPanelScrollArea(QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* e) override;
};
