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
// under the cache folder and, the first time, handed to the desktop's opener
// ("xdg-open"). The opener's exit status tells whether a program took the
// file: workbookOpened() or workbookNotOpened() says which, once it ended.
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
    // The desktop's opener ended well on the workbook written to path.
    void workbookOpened(const QString& path);
    // The opener did not start, or ended with a failure: no program shows
    // the workbook. The reason is the system's or the opener's status.
    void workbookNotOpened(const QString& path, const QString& reason);

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
    void open(const QString& path);

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
