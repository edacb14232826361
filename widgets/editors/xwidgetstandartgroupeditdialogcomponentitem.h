#pragma once

#include <QObject>

class QCheckBox;
class QHBoxLayout;
class QLineEdit;
class XWidgetStandartComponent;

// One row of the group-edit dialog: selects its component for group moves,
// lets mouse events pass through it and places it by typed geometry.
class XWidgetStandartGroupEditDialogComponentItem : public QObject
{
    Q_OBJECT

public:
    XWidgetStandartGroupEditDialogComponentItem(
        XWidgetStandartComponent* component, bool selected, QObject* parent);
    ~XWidgetStandartGroupEditDialogComponentItem() override;

    QHBoxLayout* rowLayout = nullptr;
    XWidgetStandartComponent* component = nullptr;
    QCheckBox* selectBox = nullptr;
    QCheckBox* mouseBox = nullptr;
    QLineEdit* geometryEdit = nullptr;

    void updateGeometryText();

private slots:
    void geometryEditingFinished();
    void transparentForMouseChanged(bool s);
};
