#include "plugbaywidget.h"

#include "settings.h"
#include "xtablefit.h"

#include <QHeaderView>
#include <QTableView>

#include <algorithm>

PlugbayWidget::PlugbayWidget(Settings* settings)
    : settings(settings)
    , table(new QTableView)
{
    addTab(table, tr("Components"));
    QHeaderView* header = table->horizontalHeader();
    connect(header, SIGNAL(sectionResized(int, int, int)), this, SLOT(tableColumnResized()));
    header->setStretchLastSection(true);
    connect(this, SIGNAL(currentChanged(int)), this, SLOT(currentTabChanged(int)));
}

void PlugbayWidget::loadFromSettings()
{
    if (!settings)
        return;
    QHeaderView* header = table->horizontalHeader();
    const bool wasBlocked = header->blockSignals(true);
    for (int i = 0; i < header->count() - 1 && i < settings->tableCollumnWith.size(); ++i)
        table->setColumnWidth(i, settings->tableCollumnWith.at(i).toInt());
    // Columns the operator has not sized yet show their titles in full.
    for (int i = settings->tableCollumnWith.size(); i < header->count() - 1; ++i)
        table->setColumnWidth(i, std::max(table->columnWidth(i), XTableFit::neededColumnWidth(table, i, {})));
    header->blockSignals(wasBlocked);
    setCurrentIndex(settings->lastTabIndex);
}

void PlugbayWidget::tableColumnResized()
{
    if (!settings)
        return;
    QList<QVariant> widths;
    const int count = table->horizontalHeader()->count();
    for (int i = 0; i < count - 1; ++i)
        widths << table->columnWidth(i);
    settings->tableCollumnWith = widths;
}

void PlugbayWidget::currentTabChanged(int index)
{
    if (settings)
        settings->lastTabIndex = index;
}
