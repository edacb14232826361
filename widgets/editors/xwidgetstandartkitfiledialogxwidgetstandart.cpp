#include "xwidgetstandartkitfiledialogxwidgetstandart.h"

#include "xwidgetstandartdebugdialog.h"
#include "xwidgetstandartsettings.h"

#include <QContextMenuEvent>
#include <QMenu>

XWidgetStandartKitFileDialogXWidgetStandart::XWidgetStandartKitFileDialogXWidgetStandart(
    XWidgetStandartSettings* settings, QWidget* parent)
    : XWidgetStandartKitFileDialogXWidgetStandart(settings, settings->base.size, parent)
{
}

XWidgetStandartKitFileDialogXWidgetStandart::XWidgetStandartKitFileDialogXWidgetStandart(
    XWidgetStandartSettings* settings, QSize kitSize, QWidget* parent)
    : XWidgetStandart(settings, nullptr, parent)
{
    // A panel widget is at least 50 pixels a side; a preview shows the kit as
    // large as it is, so its picture matches the components' real placement.
    settings->base.size = kitSize;
    resize(kitSize);

    menu = new QMenu(this);
    QAction* debugAction = menu->addAction(tr("Show debug dialog"));
    connect(debugAction, &QAction::triggered, this,
        &XWidgetStandartKitFileDialogXWidgetStandart::showDebugDialog);
}

void XWidgetStandartKitFileDialogXWidgetStandart::showDebugDialog()
{
    if (m_debugDialog) {
        m_debugDialog->raise();
        return;
    }
    m_debugDialog = new XWidgetStandartDebugDialog(&components, QVariant(), settings->base.id, this);
    connect(m_debugDialog, &XWidgetStandartDebugDialog::closed, m_debugDialog, &QObject::deleteLater);
}

void XWidgetStandartKitFileDialogXWidgetStandart::contextMenuEvent(QContextMenuEvent* event)
{
    menu->popup(event->globalPos());
    event->accept();
}
