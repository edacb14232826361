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

void XServer::settingsLoaded()
{
    // Connections already accepted go on.
    m_connections->stopListening();
    close();
    QString state;
    if (m_settings->enabled) {
        if (listen(QHostAddress::Any, quint16(m_settings->port))) {
            // This thread only holds the socket open; the network threads accept.
            pauseAccepting();
            if (m_connections->listen(socketDescriptor(), m_settings->delay, m_settings->secureConnection)) {
                state = tr("Listening");
            } else {
                close();
                state = tr("Error") + QStringLiteral(". ") + tr("The connections cannot be accepted");
            }
        } else {
            state = tr("Error") + QStringLiteral(". ") + errorString();
        }
    } else {
        state = tr("Closed");
    }
    if (m_widget)
        m_widget->setStateText(state);
}
