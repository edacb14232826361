#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimer;
class XWidget;

// Shows what a widget gives to the data exchange and the names of its script
// signals; refreshed on demand or every few seconds.
class XWidgetDataDialog : public QDialog
{
    Q_OBJECT

public:
    explicit XWidgetDataDialog(XWidget* widget);

    QTimer* timer = nullptr;
    XWidget* widget = nullptr;
    QPlainTextEdit* textView = nullptr;
    QPushButton* updateButton = nullptr;
    QSpinBox* autoUpdateSpin = nullptr;

private slots:
    void update();
    void autoUpdateChanged(int t);
};
