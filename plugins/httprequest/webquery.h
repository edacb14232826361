#pragma once

#include "settings.h"
#include "xmodulebase.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariant>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;
class XHttpModel;
class XHttpWidget;
class XWidgetStandartComponent;

// Binds one component of one standard widget and becomes its setter: each
// new value of that component names a request of the table, which is sent as
// an HTTP GET; the value is acknowledged at once or replaced by the answer.
class Webquery : public XModuleBase
{
    Q_OBJECT
    // Milliseconds a request may take once it has its connection.
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
    void networkFinished(QNetworkReply* reply);

private:
    // A value's request that has no connection yet.
    struct WaitingRequest
    {
        QString name;
        QUrl url;
    };
    enum class Outcome { Running, TooLarge, TimedOut, Exit };
    struct Transfer
    {
        QString name;
        QString server;
        QTimer* deadline = nullptr;
        QByteArray body;
        Outcome outcome = Outcome::Running;
    };

    void sendWaiting();
    void send(const WaitingRequest& request, const QString& server);
    void readAnswer(QNetworkReply* reply);
    // False when the answer would grow beyond its limit.
    bool takeAnswerPart(QNetworkReply* reply, Transfer& transfer);
    void stopTransfer(QNetworkReply* reply, Outcome outcome);
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
    // deletes the tab before the module object, and replies still in flight
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
    QNetworkAccessManager* m_network = nullptr;
    QList<WaitingRequest> m_waiting;
    QHash<QNetworkReply*, Transfer> m_transfers;
    // Connections in use, by server.
    QHash<QString, int> m_busyConnections;
    int m_requestDeadline;
    bool m_exiting = false;
};
