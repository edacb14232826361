#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

class SpreadsheetWorkbook;

// Automation object for a platform without COM, in the manner of QAxObject.
//
// It knows one server, "Excel.Application", and of it the calls a program
// makes to fill a workbook: SetVisible(bool), Workbooks, Add, Worksheets(int),
// a sheet's "Name" property, Range(QString) and a range's "Value" property.
// Sub-objects are children of the object they were queried from. Any other
// control gives a null object and any other call gives nothing, as a missing
// automation server does.
//
// A visible application shows its workbooks the way this desktop can: once
// control is back in the event loop (a real server paints in its own
// process, after the calls), each changed workbook is written as an .xlsx file
// under the cache folder and, the first time, opened with the desktop's
// default program; when nothing can open it, workbookNotOpened() says so.
class AxObject : public QObject
{
    Q_OBJECT

public:
    explicit AxObject(const QString& control, QObject* parent = nullptr);
    ~AxObject() override;

    bool isNull() const { return m_kind == Kind::Null; }

    QVariant dynamicCall(const char* function, const QVariant& var1 = QVariant());
    // Null for an unknown name or arguments that name nothing.
    AxObject* querySubObject(const char* name, const QVariant& var1 = QVariant());

    // Where a visible application writes its workbooks.
    static QString workbookFolder();

signals:
    // A visible application has written a workbook, complete, to path.
    void workbookWritten(const QString& path);
    // The desktop has no program that opens the workbook written to path.
    void workbookNotOpened(const QString& path);

protected:
    bool event(QEvent* event) override;

private:
    enum class Kind { Null, Application, Workbooks, Workbook, Worksheet, Range };

    struct ShownWorkbook
    {
        std::shared_ptr<SpreadsheetWorkbook> workbook;
        QString path;
        quint64 writtenRevision = 0;
        bool written = false;
    };

    AxObject(Kind kind, AxObject* application, QObject* parent);

    AxObject* makeSubObject(Kind kind);
    void propertyChanged(const QByteArray& name);
    void setRangeValue(const QVariant& value);
    void setInternalProperty(const char* name, const QVariant& value);

    // Application only.
    void scheduleShow();
    void show();

    Kind m_kind = Kind::Null;
    QPointer<AxObject> m_application;
    bool m_settingInternally = false;

    // Application.
    bool m_visible = false;
    bool m_showPending = false;
    std::vector<ShownWorkbook> m_workbooks;

    // Workbook, worksheet, range.
    std::shared_ptr<SpreadsheetWorkbook> m_workbook;
    int m_sheet = -1;
    // Range: columns x, rows y, 0-based.
    QRect m_cells;
};
