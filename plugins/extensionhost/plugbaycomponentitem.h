#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

class JournalExchangeItem;
class PlugbayBaseClass;
class XWidgetStandart;
class XWidgetStandartComponent;

// Binds one component of the extension to one component of a standard widget
// on the panel, found by widget ID and component name: takes or gives up the
// setter role for the extension, passes the extension's values, ranges and
// writable flag on, and relays the component's notices.
class PlugbayComponentItem : public QObject
{
    Q_OBJECT

public:
    PlugbayComponentItem(JournalExchangeItem* journal, QObject* parent);

    void setWidgetId(const QString& id);
    void setWidgetComponentName(const QString& name);
    void setValue(QVariant value, QObject* setter);
    void setRange(double min, double max);
    void setWritable(bool writable);

    // The component of that name in the bound widget now; null when none.
    XWidgetStandartComponent* xwidgetComponent() const;
    void updateXWidget();
    void removeXwidget();
    // Binds whatever component of that name the widget holds now; true when
    // one is bound afterwards.
    bool initXwidgetComponent();

    QString widgetId;
    QString widgetComponentName;
    // The settings dialog of a standard widget rebuilds its components: the
    // guard keeps a binding from pointing at one that is gone.
    QPointer<XWidgetStandartComponent> component;
    bool writable = false;
    JournalExchangeItem* journal = nullptr;
    bool setter = false;
    PlugbayBaseClass* extension = nullptr;
    QString label;
    QVariant value;
    XWidgetStandart* xwidget = nullptr;

signals:
    void valueUpdatedSignal();
    void returnValueUpdatedSignal();
    void xwidgetComponentConnected(PlugbayComponentItem* item);

public slots:
    void xwidgetDestroyed(QObject* object);
    void componentValueUpdated();
    void componentReturnValueUpdated();

private slots:
    void componentDestroyed();
    void rebindAfterRebuild();

private:
    bool m_rebindPending = false;
};
