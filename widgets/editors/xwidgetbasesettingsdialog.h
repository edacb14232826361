#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QSpinBox;
class XWidget;
class XWidgetSettings;

// Edits a widget's placement record. The position spins move the widget
// live; everything else is written into the record only on accept, and the
// widget applies the record itself once the dialog has closed.
class XWidgetBaseSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    XWidgetBaseSettingsDialog(XWidgetSettings* settings, XWidget* widget, QWidget* parent);

    XWidgetSettings* settings = nullptr;
    XWidget* widget = nullptr;
    QComboBox* groupCombo = nullptr;
    QLineEdit* idEdit = nullptr;
    QGroupBox* userSizeBox = nullptr;
    QSpinBox* widthSpin = nullptr;
    QSpinBox* heightSpin = nullptr;
    QSpinBox* xSpin = nullptr;
    QSpinBox* ySpin = nullptr;

private slots:
    void setCurrentSize();
    void positionChanged();
    void accept() override;
};
