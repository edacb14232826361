#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWidget>

class QCheckBox;
class QCloseEvent;
class QLabel;
class XWidgetStandartComponent;
class XWidgetStandartGroupEditDialogComponentItem;

// The small window of a standard widget's edit mode: shows the pointer over
// the widget and lists its components for group moves, group resizes and
// placement by typed geometry.
class XWidgetStandartGroupEditDialog : public QWidget
{
    Q_OBJECT

public:
    XWidgetStandartGroupEditDialog(
        QList<XWidgetStandartComponent*>* components, QVariant settings, QString name, QWidget* parent);

    QList<XWidgetStandartGroupEditDialogComponentItem*> items;
    QLabel* cursorLabel = nullptr;
    QCheckBox* positionBox = nullptr;
    QCheckBox* sizeBox = nullptr;

    QVariant settings();
    QStringList checkedComponentNames();

signals:
    void closed();

private slots:
    void componentGeomertyChanged();

public slots:
    void checkAll();
    void uncheckAll();
    void setCursorPosition(QPoint p, bool outside = false);

protected:
    void closeEvent(QCloseEvent* event) override;
};
