#pragma once

#include "xwidgetstandart.h"

#include <QPointer>
#include <QSize>

class QMenu;
class XWidgetStandartDebugDialog;

// The standard widget that shows a kit in the kit file dialog. It shows the
// kit at the kit's own extent and offers only its debug dialog.
class XWidgetStandartKitFileDialogXWidgetStandart : public XWidgetStandart
{
    Q_OBJECT

public:
    XWidgetStandartKitFileDialogXWidgetStandart(XWidgetStandartSettings* settings, QWidget* parent);

    QMenu* menu = nullptr;

public slots:
    void showDebugDialog();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    XWidgetStandartKitFileDialogXWidgetStandart(
        XWidgetStandartSettings* settings, QSize kitSize, QWidget* parent);

    QPointer<XWidgetStandartDebugDialog> m_debugDialog;
};
