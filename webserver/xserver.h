#pragma once

#include <QPointer>
#include <QTcpServer>

class XServerSettings;
class XServerWidget;

// The built-in web server: listens in the GUI thread and hands every accepted
// connection to a thread of its own.
class XServer : public QTcpServer
{
    Q_OBJECT

public:
    XServer(XServerSettings* settings, QObject* parent = nullptr);
    ~XServer() override;

    // The settings box; whoever lays it out takes it over.
    XServerWidget* widget() const;

    int activeConnections() const;

public slots:
    void settingsLoaded();

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    void refuse(qintptr socketDescriptor);

    XServerSettings* m_settings = nullptr;
    QPointer<XServerWidget> m_widget;
    int m_activeConnections = 0;
};
