#pragma once

#include <QPointer>
#include <QTcpServer>

#include <memory>

class XServerConnections;
class XServerSettings;
class XServerWidget;

// The built-in web server: opens and closes the listening socket in the GUI
// thread and shows its state; accepting, reading and answering happen in the
// server's own threads, so a busy GUI thread holds up only what needs it.
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

private:
    XServerSettings* m_settings = nullptr;
    QPointer<XServerWidget> m_widget;
    std::unique_ptr<XServerConnections> m_connections;
};
