#pragma once

#include <QDialog>
#include <QList>
#include <QModelIndex>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;
class XWidgetStandartComponentSettings;
class XWidgetStandartDialogDelegate;
class XWidgetStandartDialogModel;
class XWidgetStandartSettings;

// Edits a standard widget: its name, name target, transparency, layout and
// script go into the record on "Accept" or "OK"; the component rows are left
// in the model for the caller to apply.
class XWidgetStandartDialog : public QDialog
{
    Q_OBJECT

public:
    enum Result { RejectedResult = 0, AcceptResult = 1, OkResult = 2 };
    enum Button { RemoveButton = 0, UpButton = 1, DownButton = 2, SaveKitButton = 3, LoadKitButton = 4 };

    XWidgetStandartDialog(XWidgetStandartSettings* settings, QWidget* parent);
    ~XWidgetStandartDialog() override;

    XWidgetStandartSettings* settings = nullptr;
    QLineEdit* nameEdit = nullptr;
    QComboBox* nameOnComponentBox = nullptr;
    QCheckBox* transparentBox = nullptr;
    QComboBox* layoutBox = nullptr;
    QComboBox* scriptBox = nullptr;
    QTableView* table = nullptr;
    // Says why the last edit of the table was refused; empty otherwise.
    QLabel* statusLabel = nullptr;
    XWidgetStandartDialogModel* model = nullptr;

public slots:
    void setNameOnComponentUpdateList();
    void componentShowSettingsDialogClicked(QModelIndex index);
    void buttonClicked(int b);
    void saveWindowsGeometry();
    void acceptOkClicked(int b);
    void reject() override;

private:
    QList<int> selectedRows() const;
    void selectRows(const QList<int>& rows);
    void saveSelectedToKit(const QList<int>& rows);
    void loadFromKit();
    void pasteInto(int row);

    XWidgetStandartDialogDelegate* m_delegate = nullptr;
    QButtonGroup* m_tableButtons = nullptr;
    QButtonGroup* m_acceptOkButtons = nullptr;
    // Records made by kit loads: the rows borrow them, the dialog frees those
    // that the widget did not take over.
    QList<XWidgetStandartComponentSettings*> m_kitRecords;
};
