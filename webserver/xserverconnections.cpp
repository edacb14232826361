#include "xserverconnections.h"

#include "xserverlistener.h"

#include <QCoreApplication>
#include <QThread>

XServerConnections::XServerConnections()
    : m_thread(std::make_unique<QThread>())
    , m_guiContext(std::make_unique<QObject>())
    , m_applicationFolder(QCoreApplication::applicationDirPath())
{
    m_thread->setObjectName(QStringLiteral("web server"));
    // Holds no socket until it listens, which it does in its own thread.
    m_listener = new XServerListener(this);
    m_listener->moveToThread(m_thread.get());
    m_thread->start();
}

XServerConnections::~XServerConnections()
{
    m_stopping.storeRelease(1);
    // No answer may be posted to the listener once it is gone.
    m_serialisers.clear();
    m_serialisers.waitForDone();
    // The listener closes its connections and goes in its own thread, so
    // every socket is closed where it was opened.
    XServerListener* listener = m_listener;
    QMetaObject::invokeMethod(
        listener, [listener]() { delete listener; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    // Passes not yet run in the GUI thread go unanswered with it; this thread
    // has run none of them meanwhile, and nobody posts any more.
    m_guiContext.reset();
}

QString XServerConnections::listen(quint16 port, int delay, bool secure)
{
    // The network thread never waits on this one, so waiting for it is safe.
    QString error;
    XServerListener* listener = m_listener;
    QMetaObject::invokeMethod(
        listener, [&]() { error = listener->start(port, delay, secure); }, Qt::BlockingQueuedConnection);
    return error;
}

void XServerConnections::stopListening()
{
    XServerListener* listener = m_listener;
    QMetaObject::invokeMethod(
        listener, [listener]() { listener->stop(); }, Qt::BlockingQueuedConnection);
}

bool XServerConnections::isListening() const
{
    return m_listener->listeningPort() != 0;
}

quint16 XServerConnections::port() const
{
    return m_listener->listeningPort();
}

int XServerConnections::active() const
{
    return m_listener->openConnections();
}

void XServerConnections::runInGuiThread(std::function<void()> task)
{
    if (isStopping())
        return;
    QMetaObject::invokeMethod(m_guiContext.get(), std::move(task), Qt::QueuedConnection);
}

void XServerConnections::answerPass(XServerListener* listener, quint64 id, XServerSocketThread::Answer answer)
{
    const auto deliver = [listener, id](const XServerSocketThread::Answer& ready) {
        QMetaObject::invokeMethod(
            listener, [listener, id, ready]() { listener->passAnswered(id, ready); }, Qt::QueuedConnection);
    };
    if (!answer.answeredWithData) {
        deliver(answer);
        return;
    }
    m_serialisers.start([answer, deliver]() mutable {
        answer.response = answer.bytes();
        answer.answeredWithData = false;
        answer.data.clear();
        deliver(answer);
    });
}

bool XServerConnections::isStopping() const
{
    return m_stopping.loadAcquire() != 0;
}

XServerSignInGate* XServerConnections::signInGate()
{
    return &m_signInGate;
}

QString XServerConnections::applicationFolder() const
{
    return m_applicationFolder;
}
