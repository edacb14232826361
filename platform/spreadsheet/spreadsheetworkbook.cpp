#include "spreadsheetworkbook.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <cstdio>
#include <set>

namespace {
const char DEFAULT_SHEET_NAME[] = "Sheet1";
const int MAX_SHEET_NAME_LENGTH = 31;
const char RESERVED_SHEET_NAME_CHARACTERS[] = "[]:*?/\\";
const QChar SHEET_NAME_QUOTE = QLatin1Char('\'');
const int MAX_CELL_TEXT_LENGTH = 32767;
const char DATE_TIME_NUMBER_FORMAT[] = "dd.mm.yyyy hh:mm:ss";
const char DATE_NUMBER_FORMAT[] = "dd.mm.yyyy";
// Wide enough for DATE_TIME_NUMBER_FORMAT; a narrower column shows "####".
const double DATE_TIME_COLUMN_WIDTH = 19;
const double MSECS_PER_SECOND = 1000.0;

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

bool isValidSheetName(const QString& name)
{
    if (name.isEmpty() || name.size() > MAX_SHEET_NAME_LENGTH)
        return false;
    if (name.startsWith(SHEET_NAME_QUOTE) || name.endsWith(SHEET_NAME_QUOTE))
        return false;
    for (const char* reserved = RESERVED_SHEET_NAME_CHARACTERS; *reserved; ++reserved) {
        if (name.contains(QLatin1Char(*reserved)))
            return false;
    }
    return true;
}

lxw_datetime toSpreadsheetDateTime(const QDate& date, const QTime& time)
{
    lxw_datetime result = {};
    result.year = date.year();
    result.month = date.month();
    result.day = date.day();
    result.hour = time.hour();
    result.min = time.minute();
    result.sec = time.second() + time.msec() / MSECS_PER_SECOND;
    return result;
}

QByteArray cellText(QString text)
{
    // Longer texts make the whole file unwritable; a spreadsheet cell holds no more.
    if (text.size() > MAX_CELL_TEXT_LENGTH) {
        text.truncate(MAX_CELL_TEXT_LENGTH);
        if (text.at(text.size() - 1).isHighSurrogate())
            text.chop(1);
    }
    return text.toUtf8();
}
}

SpreadsheetWorkbook::SpreadsheetWorkbook()
{
    m_sheets.push_back(Sheet { QLatin1String(DEFAULT_SHEET_NAME), {} });
}

QString SpreadsheetWorkbook::sheetName(int sheet) const
{
    if (sheet < 0 || sheet >= sheetCount())
        return QString();
    return m_sheets[sheet].name;
}

bool SpreadsheetWorkbook::setSheetName(int sheet, const QString& name)
{
    if (sheet < 0 || sheet >= sheetCount() || !isValidSheetName(name))
        return false;
    for (int other = 0; other < sheetCount(); ++other) {
        if (other != sheet && m_sheets[other].name.compare(name, Qt::CaseInsensitive) == 0)
            return false;
    }
    m_sheets[sheet].name = name;
    ++m_revision;
    return true;
}

void SpreadsheetWorkbook::setCell(int sheet, int row, int column, const QVariant& value)
{
    if (sheet < 0 || sheet >= sheetCount() || row < 0 || row >= MAX_ROWS || column < 0
        || column >= MAX_COLUMNS)
        return;
    auto& cells = m_sheets[sheet].cells;
    if (value.isValid())
        cells[{ row, column }] = value;
    else
        cells.erase({ row, column });
    ++m_revision;
}

QVariant SpreadsheetWorkbook::cell(int sheet, int row, int column) const
{
    if (sheet < 0 || sheet >= sheetCount())
        return QVariant();
    const auto& cells = m_sheets[sheet].cells;
    const auto found = cells.find({ row, column });
    return found == cells.end() ? QVariant() : found->second;
}

bool SpreadsheetWorkbook::save(const QString& path, QString* error) const
{
    const QFileInfo target(path);
    if (!QDir().mkpath(target.absolutePath())) {
        setError(error, QStringLiteral("cannot make the folder %1").arg(target.absolutePath()));
        return false;
    }
    QTemporaryFile partial(
        target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    if (!partial.open()) {
        setError(error, partial.errorString());
        return false;
    }
    const QByteArray partialName = QFile::encodeName(partial.fileName());
    partial.close();

    lxw_workbook* workbook = workbook_new(partialName.constData());
    if (!workbook) {
        setError(error, QStringLiteral("cannot start the workbook"));
        return false;
    }
    lxw_format* dateTimeFormat = workbook_add_format(workbook);
    format_set_num_format(dateTimeFormat, DATE_TIME_NUMBER_FORMAT);
    lxw_format* dateFormat = workbook_add_format(workbook);
    format_set_num_format(dateFormat, DATE_NUMBER_FORMAT);

    lxw_error firstError = LXW_NO_ERROR;
    const auto keep = [&firstError](lxw_error result) {
        if (firstError == LXW_NO_ERROR)
            firstError = result;
    };
    for (const Sheet& sheet : m_sheets) {
        lxw_worksheet* worksheet = workbook_add_worksheet(workbook, sheet.name.toUtf8().constData());
        if (!worksheet) {
            keep(LXW_ERROR_SHEETNAME_ALREADY_USED);
            break;
        }
        std::set<int> dateColumns;
        for (const auto& entry : sheet.cells) {
            const lxw_row_t row = lxw_row_t(entry.first.first);
            const lxw_col_t column = lxw_col_t(entry.first.second);
            const QVariant& value = entry.second;
            switch (value.userType()) {
            case QMetaType::QDateTime: {
                const QDateTime dateTime = value.toDateTime();
                if (!dateTime.isValid())
                    break;
                // Spreadsheets have no time zones: the wall-clock time is what the user saw.
                lxw_datetime cellValue = toSpreadsheetDateTime(dateTime.date(), dateTime.time());
                keep(worksheet_write_datetime(worksheet, row, column, &cellValue, dateTimeFormat));
                dateColumns.insert(entry.first.second);
                break;
            }
            case QMetaType::QDate: {
                const QDate date = value.toDate();
                if (!date.isValid())
                    break;
                lxw_datetime cellValue = toSpreadsheetDateTime(date, QTime(0, 0));
                keep(worksheet_write_datetime(worksheet, row, column, &cellValue, dateFormat));
                break;
            }
            case QMetaType::Bool:
                keep(worksheet_write_boolean(worksheet, row, column, value.toBool(), nullptr));
                break;
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Double:
            case QMetaType::Float:
                keep(worksheet_write_number(worksheet, row, column, value.toDouble(), nullptr));
                break;
            default:
                keep(worksheet_write_string(
                    worksheet, row, column, cellText(value.toString()).constData(), nullptr));
                break;
            }
        }
        for (const int column : dateColumns)
            worksheet_set_column(
                worksheet, lxw_col_t(column), lxw_col_t(column), DATE_TIME_COLUMN_WIDTH, nullptr);
    }
    // Closing writes the file and frees the workbook, also after an error.
    keep(workbook_close(workbook));
    if (firstError != LXW_NO_ERROR) {
        setError(error, QString::fromUtf8(lxw_strerror(firstError)));
        return false;
    }
    // rename() replaces an older copy in one step: a reader sees the old file or the new one.
    if (std::rename(partialName.constData(), QFile::encodeName(target.absoluteFilePath()).constData()) != 0) {
        setError(error, QStringLiteral("cannot move the workbook into place"));
        return false;
    }
    partial.setAutoRemove(false);
    return true;
}
