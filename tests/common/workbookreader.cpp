#include "workbookreader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {
const char PYTHON[] = "/usr/bin/python3";
const int READ_TIMEOUT_MS = 30000;

// Date-times come as whole seconds plus rounded milliseconds: the file keeps
// day fractions, which read back a microsecond off.
const char READER_SCRIPT[] = R"(
import datetime, json, sys
import openpyxl

def cell(value):
    if value is None:
        return {"type": "none"}
    if isinstance(value, datetime.datetime):
        value = value + datetime.timedelta(microseconds=500)
        return {"type": "datetime", "value": value.strftime("%Y-%m-%dT%H:%M:%S"),
                "ms": value.microsecond // 1000}
    if isinstance(value, bool):
        return {"type": "bool", "value": value}
    if isinstance(value, (int, float)):
        return {"type": "number", "value": value}
    return {"type": "text", "value": str(value)}

book = openpyxl.load_workbook(sys.argv[1])
sheets = [{"name": sheet.title,
           "rows": [[cell(value) for value in row] for row in sheet.iter_rows(values_only=True)]}
          for sheet in book.worksheets]
print(json.dumps({"sheets": sheets}))
)";

QVariant toCell(const QJsonObject& cell)
{
    const QString type = cell.value(QStringLiteral("type")).toString();
    const QJsonValue value = cell.value(QStringLiteral("value"));
    if (type == QLatin1String("datetime"))
        return QDateTime::fromString(value.toString(), Qt::ISODate)
            .addMSecs(cell.value(QStringLiteral("ms")).toInt());
    if (type == QLatin1String("bool"))
        return value.toBool();
    if (type == QLatin1String("number"))
        return value.toDouble();
    if (type == QLatin1String("text"))
        return value.toString();
    return QVariant();
}
}

bool WorkbookReader::read(const QString& path, QList<Sheet>* sheets, QString* error)
{
    QProcess python;
    python.start(QLatin1String(PYTHON), { QStringLiteral("-c"), QLatin1String(READER_SCRIPT), path });
    if (!python.waitForFinished(READ_TIMEOUT_MS) || python.exitStatus() != QProcess::NormalExit
        || python.exitCode() != 0) {
        *error = python.errorString() + QLatin1Char(' ') + QString::fromUtf8(python.readAllStandardError());
        return false;
    }
    const QJsonDocument document = QJsonDocument::fromJson(python.readAllStandardOutput());
    sheets->clear();
    const QJsonArray sheetArray = document.object().value(QStringLiteral("sheets")).toArray();
    for (const QJsonValue& sheetValue : sheetArray) {
        Sheet sheet;
        sheet.name = sheetValue.toObject().value(QStringLiteral("name")).toString();
        const QJsonArray rows = sheetValue.toObject().value(QStringLiteral("rows")).toArray();
        for (const QJsonValue& rowValue : rows) {
            QVariantList row;
            const QJsonArray cells = rowValue.toArray();
            for (const QJsonValue& cell : cells)
                row.append(toCell(cell.toObject()));
            sheet.rows.append(row);
        }
        sheets->append(sheet);
    }
    return true;
}
