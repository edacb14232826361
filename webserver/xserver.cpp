#include "xserver.h"

#include "xserverconnections.h"
#include "xserversettings.h"
#include "xserverwidget.h"

XServer::XServer(XServerSettings* settings, QObject* parent)
    : QTcpServer(parent)
    , m_settings(settings)
    , m_widget(new XServerWidget(settings))
    , m_connections(std::make_unique<XServerConnections>())
{
    connect(m_widget, &XServerWidget::settingsLoaded, this, &XServer::settingsLoaded);
}

XServer::~XServer()
{
    m_connections.reset();
    // A box that nobody laid out is still ours.
    if (m_widget && !m_widget->parent())
        delete m_widget;
}

XServerWidget* XServer::widget() const
{
    return m_widget;
}

int XServer::activeConnections() const
{
    return m_connections->active();
}

bool XServer::isListening() const
{
    return m_connections->isListening();
}

quint16 XServer::serverPort() const
{
    return m_connections->port();
}

void XServer::settingsLoaded()
{
    // Connections already accepted go on.
    m_connections->stopListening();
    QString state;
    if (m_settings->enabled) {
        const QString error = m_connections->listen(
            quint16(m_settings->port), m_settings->delay, m_settings->secureConnection);
        state = error.isEmpty() ? tr("Listening") : tr("Error") + QStringLiteral(". ") + error;
    } else {
        state = tr("Closed");
    }
    if (m_widget)
        m_widget->setStateText(state);
}
