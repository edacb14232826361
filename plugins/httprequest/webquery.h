#pragma once

#include "settings.h"
#include "xmodulebase.h"

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <memory>

class WebqueryTransfers;
class XHttpModel;
class XHttpWidget;
class XWidgetStandartComponent;

// Binds one component of one standard widget and becomes its setter: each
// new value of that component names a request of the table, which is sent as
// an HTTP GET; the value is acknowledged at once or replaced by the answer.
//
// Everything here runs in the GUI thread. The transfers run in a thread of
// their own (WebqueryTransfers), whose results come back as queued calls of
// networkFinished().
class Webquery : public XModuleBase
{
    Q_OBJECT
    // Milliseconds a request may take from when it is made, time spent
    // waiting for a connection included.
    Q_PROPERTY(int requestDeadline MEMBER m_requestDeadline)

public:
    Webquery();
    ~Webquery() override;

    void setXwidgetsPanel(QWidget* panel) override;
    void setMap(QMap<QString, QVariant> map) override;
    void init() override;
    QWidget* getWidget() override;
    QMap<QString, QVariant> getMap() override;

public slots:
    void updateComponent();
    void componentDestroyed(QObject* object);
    void componentValueUpdated();
    // The end of a transfer: outcome is a WebqueryTransfers::Outcome.
    void networkFinished(quint64 id, int outcome, const QByteArray& body, const QString& reason);

private:
    // A request sent and not finished yet.
    struct Transfer
    {
        QString name;
        QString server;
        int deadlineMs = 0;
    };

    void stopAll();
    void journalCritical(const QString& text);

    // Gives the bound component back what binding took: the setter role to
    // the setter it had, and the writability it had. Nothing when another
    // setter has taken the component over since.
    void releaseComponent();
    bool isAllowedUrl(const QUrl& url) const;

    QMap<QString, QVariant> m_storedMap;
    Settings m_settings;
    // Owned by the host's tab once embedded, never by the module. The host
    // deletes the tab before the module object, and answers still in flight
    // may finish in between: the guard keeps them off a deleted widget.
    QPointer<XHttpWidget> m_widget;
    XHttpModel* m_model = nullptr;
    // Guarded: the settings dialog rebuilds a widget's components and
    // destroys the old ones later, from the event loop.
    QPointer<XWidgetStandartComponent> m_component;
    QPointer<QObject> m_previousSetter;
    // The panel the host handed over. The lookup global is shared by every
    // module of this library and outlives the panel it points at.
    QPointer<QWidget> m_panel;
    QVariant m_previousWritable;
    std::unique_ptr<WebqueryTransfers> m_network;
    QHash<quint64, Transfer> m_transfers;
    // Requests not finished, by server.
    QHash<QString, int> m_waitingByServer;
    quint64 m_lastId = 0;
    int m_requestDeadline;
    bool m_exiting = false;
};
