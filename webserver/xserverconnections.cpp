#include "xserverconnections.h"

#include "xserverlistener.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {
const int MAX_CONNECTIONS = 500;
// Descriptors that connections never take, so that the program can still
// open its files, start threads and save at exit however many peers connect.
const int RESERVED_DESCRIPTORS = 64;
// Past a few, more threads only contend for the count and the GUI thread.
const int MAX_NETWORK_THREADS = 4;

const char CERTIFICATE_FILE[] = "/ssl/key.pem";
const char PRIVATE_KEY_FILE[] = "/ssl/key.key";

int networkThreads()
{
#ifdef Q_OS_LINUX
    return qBound(1, QThread::idealThreadCount(), MAX_NETWORK_THREADS);
#else
    // Elsewhere listeners sharing a port do not share its newcomers.
    return 1;
#endif
}

qint64 softDescriptorLimit()
{
#ifdef Q_OS_UNIX
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        return qint64(limit.rlim_cur);
#endif
    return 0;
}

// The descriptors the process holds now, where the system tells.
int openDescriptors()
{
#ifdef Q_OS_LINUX
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
#else
    return 0;
#endif
}
}

XServerConnections::XServerConnections()
    : m_guiContext(std::make_unique<QObject>())
    , m_applicationFolder(QCoreApplication::applicationDirPath())
{
    const int threads = networkThreads();
    for (int i = 0; i < threads; ++i) {
        auto thread = std::make_unique<QThread>();
        thread->setObjectName(QStringLiteral("web server %1").arg(i + 1));
        // Holds no socket until it listens, which it does in its own thread.
        auto* listener = new XServerListener(this, &m_admission);
        listener->moveToThread(thread.get());
        thread->start();
        m_listeners.push_back(listener);
        m_threads.push_back(std::move(thread));
    }
}

XServerConnections::~XServerConnections()
{
    m_stopping.storeRelease(1);
    // No answer may be posted to a listener once it is gone.
    m_serialisers.clear();
    m_serialisers.waitForDone();
    // Without newcomers no thread tells another to close a connection, so
    // each listener can go on its own.
    stopListening();
    // Each closes its connections and goes in its own thread, so every
    // socket is closed where it was opened.
    inEachListener([](XServerListener* listener) { delete listener; });
    m_listeners.clear();
    for (const std::unique_ptr<QThread>& thread : m_threads) {
        thread->quit();
        thread->wait();
    }
    // Passes not yet run in the GUI thread go unanswered with it; this thread
    // has run none of them meanwhile, and nobody posts any more.
    m_guiContext.reset();
}

template <typename Call> void XServerConnections::inEachListener(Call call)
{
    for (XServerListener* listener : m_listeners)
        QMetaObject::invokeMethod(
            listener, [listener, &call]() { call(listener); }, Qt::BlockingQueuedConnection);
}

QString XServerConnections::listen(quint16 port, int delay, bool secure)
{
    stopListening();
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
            settings.privateKey = QSslKey(keyFile.readAll(), QSsl::Rsa, QSsl::Pem, QSsl::PrivateKey, QByteArray());
    }
    // The program raises its own limit at start, so it is read here. Closed
    // connections leave gaps below the newest descriptor, so its number alone
    // does not tell how many are open: the connections also get a budget of
    // what the rest of the program leaves now.
    const qint64 limit = softDescriptorLimit();
    const qint64 ceiling = limit > 0 ? limit - RESERVED_DESCRIPTORS : 0;
    int budget = MAX_CONNECTIONS;
    if (ceiling > 0) {
        const int others = qMax(0, openDescriptors() - m_admission.open());
        budget = int(qBound<qint64>(0, ceiling - others, MAX_CONNECTIONS));
    }
    m_admission.reset(budget, ceiling);

    QString error;
    quint16 chosenPort = port;
    int index = 0;
    const int listeners = int(m_listeners.size());
    inEachListener([&](XServerListener* listener) {
        if (!error.isEmpty())
            return;
        error = listener->start(chosenPort, settings, index, listeners);
        if (index++ == 0)
            chosenPort = listener->listeningPort();
    });
    if (!error.isEmpty())
        stopListening();
    return error;
}

void XServerConnections::stopListening()
{
    inEachListener([](XServerListener* listener) { listener->stop(); });
}

bool XServerConnections::isListening() const
{
    return port() != 0;
}

quint16 XServerConnections::port() const
{
    return m_listeners.front()->listeningPort();
}

int XServerConnections::active() const
{
    return m_admission.open();
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
