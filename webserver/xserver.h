#pragma once

#include <QPointer>
#include <QTcpServer>

#include <memory>

class XServerConnections;
class XServerSettings;
class XServerWidget;

// The built-in web server as the settings tab sees it: switches the server on
// and off and shows its state. The listening socket and every connection are
// the server's network thread's (see XServerConnections), so a busy GUI
// thread holds up only what needs it; this object itself never listens.
class XServer : public QTcpServer
{
    Q_OBJECT

public:
    XServer(XServerSettings* settings, QObject* parent = nullptr);
    ~XServer() override;

    // The settings box; whoever lays it out takes it over.
    XServerWidget* widget() const;

    int activeConnections() const;
    // The network thread's listening socket, in place of this server's own.
    bool isListening() const;
    quint16 serverPort() const;

public slots:
    void settingsLoaded();

private:
    XServerSettings* m_settings = nullptr;
    QPointer<XServerWidget> m_widget;
    std::unique_ptr<XServerConnections> m_connections;
};
