#include "xwidgetstandartdebugdialog.h"

#include "xwidgetstandartdebugdialogmodel.h"
#include "xtablefit.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTableView>
#include <QVBoxLayout>

namespace {
const char* const GEOMETRY_KEY = "geometry";
const int VALUE_COLUMN = 1;
// A value as components usually carry it, for the table's opening width.
const char TYPICAL_VALUE[] = "-1250.75";
}

XWidgetStandartDebugDialog::XWidgetStandartDebugDialog(
    QList<XWidgetStandartComponent*>* components, QVariant settings, QString name, QWidget* parent)
    : QWidget(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("XWidgetStandartDebugDialog"));
    const QVariantMap saved = settings.toMap();

    auto* layout = new QVBoxLayout(this);
    setWindowTitle(tr("Debug (%1)").arg(name));
    table = new QTableView(this);
    layout->addWidget(table);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    model = new XWidgetStandartDebugDialogModel(components, this);
    table->setModel(model);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table, &QTableView::customContextMenuRequested, this,
        &XWidgetStandartDebugDialog::slotCustomMenuRequested);

    const int valueWidth = XTableFit::cellTextWidth(table, QLatin1String(TYPICAL_VALUE));
    XTableFit::openWithTableWidth(this, table, XTableFit::stretchedTableWidth(table, { 0, valueWidth, valueWidth }));
    restoreGeometry(saved.value(QLatin1String(GEOMETRY_KEY)).toByteArray());
    show();
}

QVariant XWidgetStandartDebugDialog::settings()
{
    return QVariantMap { { QLatin1String(GEOMETRY_KEY), saveGeometry() } };
}

void XWidgetStandartDebugDialog::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    emit closed();
}

void XWidgetStandartDebugDialog::slotCustomMenuRequested(QPoint pos)
{
    if (table->currentIndex().column() != VALUE_COLUMN)
        return;
    auto* menu = new QMenu(this);
    // One menu per right click: it must not pile up while the dialog stays open.
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* action = menu->addAction(tr("Set 'Undefined'"));
    connect(action, &QAction::triggered, this, &XWidgetStandartDebugDialog::setUndefinedClicked);
    menu->popup(table->viewport()->mapToGlobal(pos));
}

void XWidgetStandartDebugDialog::setUndefinedClicked()
{
    model->setUndefined(table->currentIndex().row());
}
