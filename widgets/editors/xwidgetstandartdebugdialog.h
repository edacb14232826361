#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QWidget>

class QPoint;
class QTableView;
class XWidgetStandartComponent;
class XWidgetStandartDebugDialogModel;

// A window over one standard widget that watches its components' values and
// lets the operator inject a value, or an invalid one, into any of them.
class XWidgetStandartDebugDialog : public QWidget
{
    Q_OBJECT

public:
    XWidgetStandartDebugDialog(
        QList<XWidgetStandartComponent*>* components, QVariant settings, QString name, QWidget* parent);

    QTableView* table = nullptr;
    XWidgetStandartDebugDialogModel* model = nullptr;

    QVariant settings();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void slotCustomMenuRequested(QPoint pos);
    void setUndefinedClicked();
};
