#pragma once

#include <QStringList>

class QTableView;

// The column titles of a table whose sections are narrower than the title's
// text with the header's margins, each as "title (section width < needed)".
QStringList cutColumnTitles(const QTableView* view);
