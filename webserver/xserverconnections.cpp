#include "xserverconnections.h"

#include "xserverlistener.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

namespace {
const char CERTIFICATE_FILE[] = "/ssl/key.pem";
const char PRIVATE_KEY_FILE[] = "/ssl/key.key";
}

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
    // It closes its connections and goes in its own thread, so every socket
    // is closed where it was opened.
    inNetworkThread([this]() { delete m_listener; });
    m_listener = nullptr;
    m_thread->quit();
    m_thread->wait();
    // Passes not yet run in the GUI thread go unanswered with it; this thread
    // has run none of them meanwhile, and nobody posts any more.
    m_guiContext.reset();
}

template <typename Call> void XServerConnections::inNetworkThread(Call call)
{
    QMetaObject::invokeMethod(m_listener, call, Qt::BlockingQueuedConnection);
}

QString XServerConnections::listen(quint16 port, int delay, bool secure)
{
    XServerListener::Settings settings;
    settings.delay = delay;
    settings.secure = secure;
    // Read once for all the connections until the settings change.
    if (secure) {
        QFile certificateFile(m_applicationFolder + QLatin1String(CERTIFICATE_FILE));
        if (certificateFile.open(QIODevice::ReadOnly))
            settings.certificate = QSslCertificate(certificateFile.readAll(), QSsl::Pem);
        QFile keyFile(m_applicationFolder + QLatin1String(PRIVATE_KEY_FILE));
        if (keyFile.open(QIODevice::ReadOnly))
            settings.privateKey
                = QSslKey(keyFile.readAll(), QSsl::Rsa, QSsl::Pem, QSsl::PrivateKey, QByteArray());
    }
    QString error;
    inNetworkThread([&]() { error = m_listener->start(port, settings); });
    return error;
}

void XServerConnections::stopListening()
{
    inNetworkThread([this]() { m_listener->stop(); });
}

bool XServerConnections::isListening() const
{
    return port() != 0;
}

quint16 XServerConnections::port() const
{
    return m_listener->listeningPort();
}

int XServerConnections::active() const
{
    return m_listener->open();
}

void XServerConnections::runInGuiThread(std::function<void()> task)
{
    if (isStopping())
        return;
    QMetaObject::invokeMethod(m_guiContext.get(), std::move(task), Qt::QueuedConnection);
}

void XServerConnections::answerPass(quint64 id, const QString& address, XServerSocketThread::Answer answer)
{
    XServerListener* listener = m_listener;
    const auto deliver = [listener, id, address](const XServerSocketThread::Answer& ready) {
        QMetaObject::invokeMethod(
            listener, [listener, id, address, ready]() { listener->passAnswered(id, address, ready); },
            Qt::QueuedConnection);
    };
    if (!answer.answeredWithData) {
        deliver(answer);
        return;
    }
    m_serialisers.start([answer, deliver]() mutable {
        answer.response = XServerSocketThread::dataResponse(answer.data);
        answer.answeredWithData = false;
        answer.data.clear();
        deliver(answer);
    });
}

bool XServerConnections::isStopping() const
{
    return m_stopping.loadAcquire() != 0;
}

QString XServerConnections::applicationFolder() const
{
    return m_applicationFolder;
}
