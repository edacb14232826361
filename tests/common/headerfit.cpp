#include "headerfit.h"

#include <QHeaderView>
#include <QStyle>
#include <QTableView>
#include <QTest>

QStringList cutColumnTitles(const QTableView* view)
{
    const QHeaderView* header = view->horizontalHeader();
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    QStringList cut;
    for (int section = 0; section < header->count(); ++section) {
        if (header->isSectionHidden(section))
            continue;
        const QString title = view->model()->headerData(section, Qt::Horizontal).toString();
        const int needed = header->fontMetrics().horizontalAdvance(title) + 2 * margin;
        if (header->sectionSize(section) < needed)
            cut << QStringLiteral("%1 (%2 < %3)").arg(title).arg(header->sectionSize(section)).arg(needed);
    }
    return cut;
}

QStringList waitForFullColumnTitles(const QTableView* view)
{
    if (QTest::qWaitFor([view] { return view->isVisible() && cutColumnTitles(view).isEmpty(); }))
        return {};
    // Timed out: say what kept the wait from ending.
    return view->isVisible() ? cutColumnTitles(view) : QStringList { QStringLiteral("table not shown") };
}
