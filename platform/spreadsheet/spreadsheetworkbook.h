#pragma once

#include <QString>
#include <QVariant>

#include <map>
#include <utility>
#include <vector>

// The contents of one workbook of the spreadsheet stand-in: named sheets of
// cells, written out as an .xlsx file.
class SpreadsheetWorkbook
{
public:
    // Sheet and cell limits of the .xlsx format.
    static const int MAX_ROWS = 1048576;
    static const int MAX_COLUMNS = 16384;

    SpreadsheetWorkbook();

    int sheetCount() const { return int(m_sheets.size()); }
    QString sheetName(int sheet) const;
    // False, leaving the name as it was, for a name a spreadsheet refuses:
    // empty, too long, with a reserved character or already in use.
    bool setSheetName(int sheet, const QString& name);

    // Row and column are 0-based. An invalid value empties the cell.
    void setCell(int sheet, int row, int column, const QVariant& value);
    QVariant cell(int sheet, int row, int column) const;

    // Grows with every change; tells a writer whether its copy is current.
    quint64 revision() const { return m_revision; }

    // Writes the workbook to path. The file appears complete or not at all: it
    // is written beside the target under a temporary name and renamed into
    // place, replacing an older copy.
    bool save(const QString& path, QString* error = nullptr) const;

private:
    struct Sheet
    {
        QString name;
        // Keyed by (row, column), so the cells come out in the row order the
        // writer wants.
        std::map<std::pair<int, int>, QVariant> cells;
    };

    std::vector<Sheet> m_sheets;
    quint64 m_revision = 0;
};
