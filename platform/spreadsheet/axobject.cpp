#include "axobject.h"

#include "spreadsheetworkbook.h"

#include <QDateTime>
#include <QDir>
#include <QDynamicPropertyChangeEvent>
#include <QFileInfo>
#include <QMetaObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtDebug>

namespace {
const char APPLICATION_CONTROL[] = "Excel.Application";
const char SET_VISIBLE[] = "SetVisible(bool)";
const char WORKBOOKS[] = "Workbooks";
const char ADD[] = "Add";
const char WORKSHEETS[] = "Worksheets(int)";
const char RANGE[] = "Range(QString)";
const char NAME_PROPERTY[] = "Name";
const char VALUE_PROPERTY[] = "Value";

const char WORKBOOK_FOLDER[] = "workbooks";
const char WORKBOOK_BASE_NAME[] = "Book-";
const char WORKBOOK_TIME_FORMAT[] = "yyyyMMdd-HHmmss-zzz";
const char WORKBOOK_SUFFIX[] = ".xlsx";
// Opens a file with the program the desktop has for its type; its exit status
// says whether one did.
const char OPENER_PROGRAM[] = "xdg-open";

const int LETTERS_IN_ALPHABET = 26;
// A single value assigned to a range fills every cell; beyond this the
// assignment is refused rather than stalling the program.
const qint64 MAX_FILLED_CELLS = 1000000;

bool isCall(const char* given, const char* known)
{
    return QMetaObject::normalizedSignature(given) == known;
}

int columnIndex(const QString& letters)
{
    int index = 0;
    for (const QChar letter : letters)
        index = index * LETTERS_IN_ALPHABET + (letter.toUpper().unicode() - 'A' + 1);
    return index - 1;
}

// "A1" or "A1:D7", with optional "$"; false for anything outside the sheet.
bool parseRange(const QString& text, QRect* cells)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*\\$?([A-Za-z]{1,3})\\$?(\\d{1,7})(?::\\$?([A-Za-z]{1,3})\\$?(\\d{1,7}))?\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const int firstColumn = columnIndex(match.captured(1));
    const int firstRow = match.captured(2).toInt() - 1;
    const bool single = match.captured(3).isEmpty();
    const int lastColumn = single ? firstColumn : columnIndex(match.captured(3));
    const int lastRow = single ? firstRow : match.captured(4).toInt() - 1;
    for (const int column : { firstColumn, lastColumn }) {
        if (column < 0 || column >= SpreadsheetWorkbook::MAX_COLUMNS)
            return false;
    }
    for (const int row : { firstRow, lastRow }) {
        if (row < 0 || row >= SpreadsheetWorkbook::MAX_ROWS)
            return false;
    }
    *cells = QRect(QPoint(qMin(firstColumn, lastColumn), qMin(firstRow, lastRow)),
        QPoint(qMax(firstColumn, lastColumn), qMax(firstRow, lastRow)));
    return true;
}

bool isList(const QVariant& value)
{
    return value.userType() == QMetaType::QVariantList || value.userType() == QMetaType::QStringList;
}

QString newWorkbookPath()
{
    const QDir folder(AxObject::workbookFolder());
    const QString base = QLatin1String(WORKBOOK_BASE_NAME)
        + QDateTime::currentDateTime().toString(QLatin1String(WORKBOOK_TIME_FORMAT));
    QString path = folder.filePath(base + QLatin1String(WORKBOOK_SUFFIX));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder.filePath(base + QLatin1Char('-') + QString::number(n) + QLatin1String(WORKBOOK_SUFFIX));
    return path;
}
}

AxObject::AxObject(const QString& control, QObject* parent)
    : QObject(parent)
{
    if (control == QLatin1String(APPLICATION_CONTROL)) {
        m_kind = Kind::Application;
        m_application = this;
    }
}

AxObject::AxObject(Kind kind, AxObject* application, QObject* parent)
    : QObject(parent)
    , m_kind(kind)
    , m_application(application)
{
}

AxObject::~AxObject() = default;

QString AxObject::workbookFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    return QDir(base).filePath(QLatin1String(WORKBOOK_FOLDER));
}

QVariant AxObject::dynamicCall(const char* function, const QVariant& var1)
{
    if (m_kind == Kind::Application && isCall(function, SET_VISIBLE)) {
        m_visible = var1.toBool();
        scheduleShow();
    }
    return QVariant();
}

AxObject* AxObject::makeSubObject(Kind kind)
{
    auto* object = new AxObject(kind, m_application, this);
    object->m_workbook = m_workbook;
    object->m_sheet = m_sheet;
    return object;
}

AxObject* AxObject::querySubObject(const char* name, const QVariant& var1)
{
    switch (m_kind) {
    case Kind::Application:
        if (isCall(name, WORKBOOKS))
            return makeSubObject(Kind::Workbooks);
        break;
    case Kind::Workbooks:
        if (isCall(name, ADD) && m_application) {
            AxObject* workbook = makeSubObject(Kind::Workbook);
            workbook->m_workbook = std::make_shared<SpreadsheetWorkbook>();
            ShownWorkbook shown;
            shown.workbook = workbook->m_workbook;
            m_application->m_workbooks.push_back(shown);
            m_application->scheduleShow();
            return workbook;
        }
        break;
    case Kind::Workbook:
        if (isCall(name, WORKSHEETS)) {
            // Sheets are counted from 1, as in the spreadsheet program.
            const int sheet = var1.toInt() - 1;
            if (sheet < 0 || sheet >= m_workbook->sheetCount())
                return nullptr;
            AxObject* worksheet = makeSubObject(Kind::Worksheet);
            worksheet->m_sheet = sheet;
            worksheet->setInternalProperty(NAME_PROPERTY, m_workbook->sheetName(sheet));
            return worksheet;
        }
        break;
    case Kind::Worksheet:
        if (isCall(name, RANGE)) {
            QRect cells;
            if (!parseRange(var1.toString(), &cells))
                return nullptr;
            AxObject* range = makeSubObject(Kind::Range);
            range->m_cells = cells;
            return range;
        }
        break;
    case Kind::Null:
    case Kind::Range:
        break;
    }
    return nullptr;
}

bool AxObject::event(QEvent* event)
{
    if (event->type() == QEvent::DynamicPropertyChange && !m_settingInternally)
        propertyChanged(static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName());
    return QObject::event(event);
}

void AxObject::setInternalProperty(const char* name, const QVariant& value)
{
    m_settingInternally = true;
    setProperty(name, value);
    m_settingInternally = false;
}

void AxObject::propertyChanged(const QByteArray& name)
{
    if (m_kind == Kind::Worksheet && name == NAME_PROPERTY) {
        // A refused name leaves the sheet as it was, and the property says so.
        if (!m_workbook->setSheetName(m_sheet, property(NAME_PROPERTY).toString()))
            setInternalProperty(NAME_PROPERTY, m_workbook->sheetName(m_sheet));
    } else if (m_kind == Kind::Range && name == VALUE_PROPERTY) {
        setRangeValue(property(VALUE_PROPERTY));
    } else {
        return;
    }
    if (m_application)
        m_application->scheduleShow();
}

void AxObject::setRangeValue(const QVariant& value)
{
    // A list fills a row (every row of the range alike), a list of lists the
    // rows one by one; cells beyond the values keep theirs. A single value
    // fills every cell.
    const int rows = m_cells.height();
    const int columns = m_cells.width();
    if (!isList(value)) {
        if (qint64(rows) * columns > MAX_FILLED_CELLS)
            return;
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column)
                m_workbook->setCell(m_sheet, m_cells.top() + row, m_cells.left() + column, value);
        }
        return;
    }
    const QVariantList list = value.toList();
    const bool nested = !list.isEmpty() && isList(list.first());
    for (int row = 0; row < rows; ++row) {
        if (nested && row >= list.size())
            break;
        const QVariantList rowValues = nested ? list.at(row).toList() : list;
        const int filled = qMin(columns, rowValues.size());
        for (int column = 0; column < filled; ++column)
            m_workbook->setCell(m_sheet, m_cells.top() + row, m_cells.left() + column, rowValues.at(column));
    }
}

void AxObject::scheduleShow()
{
    if (m_kind != Kind::Application || !m_visible || m_showPending)
        return;
    m_showPending = true;
    QMetaObject::invokeMethod(this, &AxObject::show, Qt::QueuedConnection);
}

void AxObject::show()
{
    m_showPending = false;
    if (!m_visible)
        return;
    for (ShownWorkbook& shown : m_workbooks) {
        if (shown.written && shown.writtenRevision == shown.workbook->revision())
            continue;
        if (shown.path.isEmpty())
            shown.path = newWorkbookPath();
        QString error;
        if (!shown.workbook->save(shown.path, &error)) {
            qWarning() << "Workbook not written:" << shown.path << error;
            continue;
        }
        const bool firstTime = !shown.written;
        shown.written = true;
        shown.writtenRevision = shown.workbook->revision();
        emit workbookWritten(shown.path);
        // The desktop's program shows the file itself.
        if (firstTime)
            open(shown.path);
    }
}

void AxObject::open(const QString& path)
{
    // Without a parent: the opener may wait for the program it starts, and a
    // workbook still shown must not be closed because this object went.
    auto* opener = new QProcess;
    opener->setProgram(QLatin1String(OPENER_PROGRAM));
    opener->setArguments({ path });
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    const QPointer<AxObject> self(this);
    connect(opener, &QProcess::errorOccurred, opener, [self, opener, path](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        if (self)
            emit self->workbookNotOpened(path, opener->errorString());
        opener->deleteLater();
    });
    connect(opener, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), opener,
        [self, opener, path](int exitCode, QProcess::ExitStatus exitStatus) {
            if (self) {
                if (exitStatus == QProcess::NormalExit && exitCode == 0)
                    emit self->workbookOpened(path);
                else if (exitStatus == QProcess::NormalExit)
                    emit self->workbookNotOpened(
                        path, tr("%1 ended with status %2").arg(QLatin1String(OPENER_PROGRAM)).arg(exitCode));
                else
                    emit self->workbookNotOpened(path, tr("%1 crashed").arg(QLatin1String(OPENER_PROGRAM)));
            }
            opener->deleteLater();
        });
    opener->start();
}
