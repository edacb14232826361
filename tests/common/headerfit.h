#pragma once

#include <QStringList>

class QTableView;

// The column titles of a table whose sections are narrower than the title's
// text with the header's margins, each as "title (section width < needed)".
QStringList cutColumnTitles(const QTableView* view);

// Waits for the titles to show in full, as a shown window lays itself out;
// what is still cut when the wait ends, as cutColumnTitles() says it.
QStringList waitForFullColumnTitles(const QTableView* view);
