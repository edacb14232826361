#pragma once

#include <QComboBox>
#include <QHeaderView>
#include <QLayout>
#include <QList>
#include <QScrollBar>
#include <QStringList>
#include <QStyle>
#include <QTableView>

#include <algorithm>

// Opening sizes of tables: wide enough that every column shows its title and
// a typical row in full. Header-only, so that component libraries, which
// carry no part of the framework, size their tables by the same rule.
namespace XTableFit {

// Width of a cell showing text, with the margins the style puts around it.
inline int cellTextWidth(const QTableView* view, const QString& text)
{
    if (text.isEmpty())
        return 0;
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    // One more pixel: the text layout that draws the cell rounds its width up.
    return view->fontMetrics().horizontalAdvance(text) + 1 + 2 * margin + view->showGrid();
}

// Width of a cell whose editor is a combo box of these entries.
inline int comboBoxWidth(const QTableView* view, const QStringList& entries)
{
    QComboBox combo;
    combo.setFont(view->font());
    combo.addItems(entries);
    return combo.sizeHint().width();
}

// What a column needs for its title and a typical cell (typicalRow: a width
// per column, missing ones count as 0). Present rows are left out on purpose:
// one long text must not make a table open wider than the screen.
inline int neededColumnWidth(const QTableView* view, int column, const QList<int>& typicalRow)
{
    return std::max(view->horizontalHeader()->sectionSizeHint(column), typicalRow.value(column));
}

// Widens columns that are narrower than they need; wider ones stay.
inline void fitColumns(QTableView* view, const QList<int>& typicalRow = QList<int>())
{
    for (int column = 0; column < view->horizontalHeader()->count(); ++column) {
        const int needed = neededColumnWidth(view, column, typicalRow);
        if (view->columnWidth(column) < needed)
            view->setColumnWidth(column, needed);
    }
}

// Stretched columns share the view's width equally, so the view needs its
// widest column's need times the columns.
inline int stretchedTableWidth(const QTableView* view, const QList<int>& typicalRow = QList<int>())
{
    const int columns = view->horizontalHeader()->count();
    int widest = 0;
    for (int column = 0; column < columns; ++column)
        widest = std::max(widest, neededColumnWidth(view, column, typicalRow));
    // Room for the row numbers as they grow and for a vertical scroll bar.
    const int rowNumbers = view->verticalHeader()->isVisibleTo(view)
        ? std::max(view->verticalHeader()->sizeHint().width(), cellTextWidth(view, QStringLiteral("999")))
        : 0;
    const int scrollBar = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
    return columns * widest + rowNumbers + scrollBar + 2 * view->frameWidth();
}

// Gives a window the size its layout wants when the table is that wide; the
// operator may make it smaller afterwards.
inline void openWithTableWidth(QWidget* window, QTableView* view, int tableWidth)
{
    const int minimumWidth = view->minimumWidth();
    view->setMinimumWidth(tableWidth);
    window->resize(window->sizeHint());
    view->setMinimumWidth(minimumWidth);
    // The layouts gave the window the wide minimum; they take it back now, so
    // a restored smaller geometry right after is not widened. Innermost first:
    // a layout caches the sizes of the widgets it holds until each of them
    // has laid itself out again (a table inside a group box, for one).
    for (QWidget* holder = view->parentWidget(); holder; holder = holder->parentWidget()) {
        if (holder->layout()) {
            holder->layout()->invalidate();
            holder->layout()->activate();
        }
        if (holder == window)
            break;
    }
}
}
