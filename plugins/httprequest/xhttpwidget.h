#pragma once

#include <QString>
#include <QWidget>

struct Settings;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

// The module's tab: chooses the widget and component to bind, edits the
// request table and shows the last request and answer. Every edit goes
// straight into the module's settings, which the widget does not own.
class XHttpWidget : public QWidget
{
    Q_OBJECT

public:
    explicit XHttpWidget(Settings* settings);

    void loadFromSettings();
    void setLastRequest(QString name);
    void setLastAnswer(QString answer);

    QTableView* table() const { return m_table; }
    QPushButton* addButton() const { return m_addButton; }

signals:
    void componentUpdatedSignal();
    void removeItem(int row);

public slots:
    void removeClicked();
    void setAnswerToComponentChanged();
    void useExtraEndChanged();
    void extraEndDividerChanged();
    void tableColumnResized();
    void xwidgetUpdate();
    void componentUpdated();

private:
    Settings* m_settings = nullptr;
    QLineEdit* m_xwidgetEdit = nullptr;
    QComboBox* m_componentBox = nullptr;
    QCheckBox* m_setAnswerBox = nullptr;
    QLabel* m_lastRequestLabel = nullptr;
    QLabel* m_lastAnswerLabel = nullptr;
    QPlainTextEdit* m_answerBox = nullptr;
    QTableView* m_table = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_removeButton = nullptr;
    QCheckBox* m_useExtraEndBox = nullptr;
    QLabel* m_dividerLabel = nullptr;
    QLineEdit* m_dividerEdit = nullptr;
};
