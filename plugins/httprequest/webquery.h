#pragma once

#include "settings.h"
#include "xmodulebase.h"

#include <QMap>
#include <QPointer>
#include <QString>
#include <QVariant>

class QNetworkAccessManager;
class QNetworkReply;
class XHttpModel;
class XHttpWidget;
class XWidgetStandartComponent;

// Binds one component of one standard widget and becomes its setter: each
// new value of that component names a request of the table, which is sent as
// an HTTP GET; the value is acknowledged at once or replaced by the answer.
class Webquery : public XModuleBase
{
    Q_OBJECT

public:
    Webquery();

    void setXwidgetsPanel(QWidget* panel) override;
    void setMap(QMap<QString, QVariant> map) override;
    void init() override;
    QWidget* getWidget() override;
    QMap<QString, QVariant> getMap() override;

public slots:
    void updateComponent();
    void componentDestroyed(QObject* object);
    void componentValueUpdated();
    void networkFinished(QNetworkReply* reply);

private:
    QMap<QString, QVariant> m_storedMap;
    Settings m_settings;
    // Owned by the host's tab once embedded, never by the module. The host
    // deletes the tab before the module object, and replies still in flight
    // may finish in between: the guard keeps them off a deleted widget.
    QPointer<XHttpWidget> m_widget;
    XHttpModel* m_model = nullptr;
    XWidgetStandartComponent* m_component = nullptr;
    QNetworkAccessManager* m_network = nullptr;
};
