#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

// Reads an .xlsx file with an independent reader (Python's openpyxl), so a
// test sees a workbook as a spreadsheet program would.
class WorkbookReader
{
public:
    struct Sheet
    {
        QString name;
        // Cells as read: QDateTime for date-time cells, QString, double, bool,
        // or an invalid QVariant for an empty cell.
        QList<QVariantList> rows;
    };

    // False, with the reader's complaint in *error, when the file does not read.
    static bool read(const QString& path, QList<Sheet>* sheets, QString* error);
};
