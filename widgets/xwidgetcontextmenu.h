#pragma once

#include <QMenu>

// The context menu every widget on the panel shares.
class XWidgetContextMenu : public QMenu
{
    Q_OBJECT

public:
    explicit XWidgetContextMenu(QWidget* parent);

signals:
    void baseSettings();
    void copyID();
    void data();
};
