#include "xserver.h"

#include "xserversettings.h"
#include "xserversocketthread.h"
#include "xserverwidget.h"

#include <QDebug>
#include <QSslSocket>
#include <QTcpSocket>

namespace {
// Each connection costs a thread; beyond this many the program would rather
// turn browsers away than run out of threads.
const int MAX_CONNECTIONS = 500;
}

XServer::XServer(XServerSettings* settings, QObject* parent)
    : QTcpServer(parent)
    , m_settings(settings)
    , m_widget(new XServerWidget(settings))
{
    connect(m_widget, &XServerWidget::settingsLoaded, this, &XServer::settingsLoaded);
}

XServer::~XServer()
{
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
    return m_activeConnections;
}

void XServer::settingsLoaded()
{
    close();
    QString state;
    if (m_settings->enabled) {
        if (listen(QHostAddress::Any, quint16(m_settings->port)))
            state = tr("Listening");
        else
            state = tr("Error") + QStringLiteral(". ") + errorString();
    } else {
        state = tr("Closed");
    }
    if (m_widget)
        m_widget->setStateText(state);
}

void XServer::incomingConnection(qintptr socketDescriptor)
{
    if (m_settings->secureConnection && !QSslSocket::supportsSsl()) {
        qDebug() << "SSL enabled for Web server, but maintained in the system";
        refuse(socketDescriptor);
        return;
    }
    if (m_activeConnections >= MAX_CONNECTIONS) {
        refuse(socketDescriptor);
        return;
    }

    auto* thread = new XServerSocketThread(socketDescriptor, m_settings->delay, m_settings->secureConnection);
    ++m_activeConnections;
    connect(thread, &QThread::finished, this, [this]() { --m_activeConnections; });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

void XServer::refuse(qintptr socketDescriptor)
{
    // Nobody else takes the descriptor, so it is closed here rather than left
    // open until the peer gives up.
    QTcpSocket socket;
    if (socket.setSocketDescriptor(socketDescriptor))
        socket.abort();
}
