#include "webquerytransfers.h"

#include "xdescriptors.h"

#include <QMutexLocker>

#include <curl/curl.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace {
// Connections open at once to one server, and to all servers. Requests
// beyond them wait in libcurl's queue, each for a connection to its own
// server; their deadlines run meanwhile.
const long CONNECTIONS_PER_SERVER = 6;
const long CONNECTIONS_IN_ALL = 64;
const char PROTOCOLS[] = "http,https";
// What a browser-like client says it is; some servers refuse a request
// that names no client.
const char USER_AGENT[] = "Mozilla/5.0";

// The sooner of two waits in milliseconds, -1 standing for none.
int earliest(int a, qint64 b)
{
    if (b < 0)
        return a;
    const int ms = int(qMin<qint64>(b, std::numeric_limits<int>::max()));
    return a < 0 ? ms : qMin(a, ms);
}
}

class WebqueryTransfers::Loop
{
public:
    explicit Loop(WebqueryTransfers* owner);
    ~Loop();

    bool isReady() const { return m_multi; }
    void run();

private:
    // One transfer, from its request to its end; its body grows in
    // takeBody().
    struct Transfer
    {
        quint64 id = 0;
        CURL* easy = nullptr;
        QDeadlineTimer deadline;
        QByteArray body;
        bool tooLarge = false;
        char error[CURL_ERROR_SIZE] = {};
    };

    // libcurl's callbacks, called in the transfer thread.
    static size_t takeBody(char* data, size_t size, size_t count, void* user);
    static int watchSocket(CURL* easy, curl_socket_t socket, int what, void* user, void* socketData);
    static int setTimer(CURLM* multi, long timeoutMs, void* user);
    static curl_socket_t openSocket(void* user, curlsocktype purpose, curl_sockaddr* address);

    void start(const Request& request);
    void waitAndAct();
    void collectFinished();
    void expire();
    void finish(Transfer* transfer, int outcome, const QString& reason = QString());
    void dropAll();

    WebqueryTransfers* m_owner;
    CURLM* m_multi = nullptr;
    // Cookies a server sets come back to it on the module's later requests.
    CURLSH* m_share = nullptr;
    std::map<CURL*, std::unique_ptr<Transfer>> m_transfers;
    // The sockets libcurl waits on and for what (poll events).
    std::map<curl_socket_t, short> m_sockets;
    QDeadlineTimer m_curlTimer { QDeadlineTimer::Forever };
};

size_t WebqueryTransfers::Loop::takeBody(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (transfer->body.size() + qint64(bytes) > MAX_ANSWER_SIZE) {
        transfer->tooLarge = true;
        // Anything but the size given ends the transfer here.
        return 0;
    }
    transfer->body.append(data, int(bytes));
    return bytes;
}

int WebqueryTransfers::Loop::watchSocket(
    CURL* easy, curl_socket_t socket, int what, void* user, void* socketData)
{
    Q_UNUSED(easy)
    Q_UNUSED(socketData)
    auto* loop = static_cast<Loop*>(user);
    if (what == CURL_POLL_REMOVE) {
        loop->m_sockets.erase(socket);
        return 0;
    }
    // Sockets of libcurl's own making (those of a name lookup) are made
    // close-on-exec as soon as they are heard of; connections are opened so.
    if (!loop->m_sockets.count(socket))
        XDescriptors::markCloseOnExec(socket);
    short events = 0;
    if (what & CURL_POLL_IN)
        events |= POLLIN;
    if (what & CURL_POLL_OUT)
        events |= POLLOUT;
    loop->m_sockets[socket] = events;
    return 0;
}

int WebqueryTransfers::Loop::setTimer(CURLM* multi, long timeoutMs, void* user)
{
    Q_UNUSED(multi)
    static_cast<Loop*>(user)->m_curlTimer = timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                                          : QDeadlineTimer(timeoutMs, Qt::PreciseTimer);
    return 0;
}

curl_socket_t WebqueryTransfers::Loop::openSocket(void* user, curlsocktype purpose, curl_sockaddr* address)
{
    Q_UNUSED(user)
    Q_UNUSED(purpose)
    const int descriptor = socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    return descriptor < 0 ? CURL_SOCKET_BAD : descriptor;
}

WebqueryTransfers::Loop::Loop(WebqueryTransfers* owner)
    : m_owner(owner)
{
    static std::once_flag curlReady;
    std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    // libcurl opens a pair of sockets of its own here, not close-on-exec,
    // and tells nobody which. Every other descriptor of the program is
    // close-on-exec already, so all are marked.
    m_multi = curl_multi_init();
    XDescriptors::markAllCloseOnExec();
    m_share = curl_share_init();
    if (!m_multi || !m_share)
        return;
    curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, watchSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, setTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_MAX_HOST_CONNECTIONS, CONNECTIONS_PER_SERVER);
    curl_multi_setopt(m_multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, CONNECTIONS_IN_ALL);
}

WebqueryTransfers::Loop::~Loop()
{
    dropAll();
    if (m_multi)
        curl_multi_cleanup(m_multi);
    if (m_share)
        curl_share_cleanup(m_share);
}

void WebqueryTransfers::Loop::run()
{
    for (;;) {
        QVector<Request> requests;
        bool drop = false;
        {
            QMutexLocker lock(&m_owner->m_inboxMutex);
            if (m_owner->m_stop)
                return;
            requests.swap(m_owner->m_inbox);
            drop = std::exchange(m_owner->m_dropAll, false);
        }
        if (drop)
            dropAll();
        for (const Request& request : qAsConst(requests))
            start(request);
        waitAndAct();
        collectFinished();
        expire();
    }
}

void WebqueryTransfers::Loop::start(const Request& request)
{
    const qint64 remaining = request.deadline.remainingTime();
    if (remaining == 0) {
        emit m_owner->finished(request.id, TimedOut, QByteArray(), QString());
        return;
    }
    CURL* easy = curl_easy_init();
    if (!easy) {
        emit m_owner->finished(
            request.id, Failed, QByteArray(), QString::fromUtf8(curl_easy_strerror(CURLE_OUT_OF_MEMORY)));
        return;
    }
    auto transfer = std::make_unique<Transfer>();
    transfer->id = request.id;
    transfer->easy = easy;
    transfer->deadline = request.deadline;
    curl_easy_setopt(easy, CURLOPT_URL, request.url.constData());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, PROTOCOLS);
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, PROTOCOLS);
    // A redirect is an answer of its own, as the module has always taken it.
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    // Inflated as it streams in, so takeBody() counts what the answer becomes.
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_USERAGENT, USER_AGENT);
    // No proxy from the environment: requests go straight to their servers.
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // A name still being looked up is left to its own thread at the end,
    // not waited for.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, openSocket);
    if (remaining > 0)
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, long(remaining));
    curl_easy_setopt(easy, CURLOPT_SHARE, m_share);
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, takeBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer->error);
    Transfer* started = transfer.get();
    m_transfers.emplace(easy, std::move(transfer));
    if (curl_multi_add_handle(m_multi, easy) != CURLM_OK)
        finish(started, Failed, QString::fromUtf8(curl_easy_strerror(CURLE_FAILED_INIT)));
}

void WebqueryTransfers::Loop::waitAndAct()
{
    std::vector<pollfd> polled { { m_owner->m_wakeRead, POLLIN, 0 } };
    for (const auto& socket : m_sockets)
        polled.push_back({ socket.first, socket.second, 0 });
    int timeoutMs = earliest(-1, m_curlTimer.remainingTime());
    for (const auto& transfer : m_transfers)
        timeoutMs = earliest(timeoutMs, transfer.second->deadline.remainingTime());
    if (poll(polled.data(), polled.size(), timeoutMs) < 0 && errno != EINTR)
        return;

    if (polled.front().revents) {
        char drained[64];
        while (read(m_owner->m_wakeRead, drained, sizeof drained) > 0) { }
    }
    int running = 0;
    for (size_t i = 1; i < polled.size(); ++i) {
        const pollfd& entry = polled.at(i);
        // An earlier action may have closed it since.
        if (!entry.revents || !m_sockets.count(entry.fd))
            continue;
        int mask = 0;
        if (entry.revents & (POLLIN | POLLHUP))
            mask |= CURL_CSELECT_IN;
        if (entry.revents & POLLOUT)
            mask |= CURL_CSELECT_OUT;
        if (entry.revents & (POLLERR | POLLNVAL))
            mask |= CURL_CSELECT_ERR;
        curl_multi_socket_action(m_multi, entry.fd, mask, &running);
    }
    if (m_curlTimer.hasExpired()) {
        m_curlTimer = QDeadlineTimer(QDeadlineTimer::Forever);
        curl_multi_socket_action(m_multi, CURL_SOCKET_TIMEOUT, 0, &running);
    }
}

void WebqueryTransfers::Loop::collectFinished()
{
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        const CURLcode result = message->data.result;
        const auto found = m_transfers.find(message->easy_handle);
        if (found == m_transfers.end())
            continue;
        Transfer* transfer = found->second.get();
        if (result == CURLE_OK)
            finish(transfer, Answered);
        else if (transfer->tooLarge)
            finish(transfer, TooLarge);
        else if (result == CURLE_OPERATION_TIMEDOUT)
            finish(transfer, TimedOut);
        else
            finish(transfer, Failed,
                QString::fromUtf8(transfer->error[0] ? transfer->error : curl_easy_strerror(result)));
    }
}

void WebqueryTransfers::Loop::expire()
{
    // libcurl times out only the transfers it has started; those still
    // waiting for a connection end here.
    std::vector<Transfer*> expired;
    for (const auto& transfer : m_transfers) {
        if (transfer.second->deadline.hasExpired())
            expired.push_back(transfer.second.get());
    }
    for (Transfer* transfer : expired)
        finish(transfer, TimedOut);
}

void WebqueryTransfers::Loop::finish(Transfer* transfer, int outcome, const QString& reason)
{
    const quint64 id = transfer->id;
    QByteArray body;
    if (outcome == Answered)
        body.swap(transfer->body);
    CURL* easy = transfer->easy;
    curl_multi_remove_handle(m_multi, easy);
    m_transfers.erase(easy);
    curl_easy_cleanup(easy);
    emit m_owner->finished(id, outcome, body, reason);
}

void WebqueryTransfers::Loop::dropAll()
{
    for (const auto& transfer : m_transfers) {
        curl_multi_remove_handle(m_multi, transfer.first);
        curl_easy_cleanup(transfer.first);
    }
    m_transfers.clear();
}

WebqueryTransfers::WebqueryTransfers(QObject* parent)
    : QObject(parent)
    , m_loop(std::make_unique<Loop>(this))
{
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) == 0) {
        m_wakeRead = pipeEnds[0];
        m_wakeWrite = pipeEnds[1];
    }
    if (m_loop->isReady() && m_wakeRead >= 0)
        m_thread = std::thread([this] { m_loop->run(); });
}

WebqueryTransfers::~WebqueryTransfers()
{
    {
        QMutexLocker lock(&m_inboxMutex);
        m_stop = true;
    }
    wake();
    if (m_thread.joinable())
        m_thread.join();
    m_loop.reset();
    if (m_wakeRead >= 0)
        close(m_wakeRead);
    if (m_wakeWrite >= 0)
        close(m_wakeWrite);
}

void WebqueryTransfers::get(quint64 id, const QUrl& url, const QDeadlineTimer& deadline)
{
    if (!m_thread.joinable()) {
        // Reported as the transfer thread would, queued: the caller is not
        // called back from inside its own call.
        QMetaObject::invokeMethod(
            this,
            [this, id] {
                emit finished(
                    id, Failed, QByteArray(), QString::fromUtf8(curl_easy_strerror(CURLE_FAILED_INIT)));
            },
            Qt::QueuedConnection);
        return;
    }
    {
        QMutexLocker lock(&m_inboxMutex);
        m_inbox.append({ id, url.toEncoded(), deadline });
    }
    wake();
}

void WebqueryTransfers::dropAll()
{
    {
        QMutexLocker lock(&m_inboxMutex);
        m_inbox.clear();
        m_dropAll = true;
    }
    wake();
}

void WebqueryTransfers::wake()
{
    if (m_wakeWrite < 0)
        return;
    // A full pipe wakes the thread as well as one more byte would.
    const char byte = 0;
    while (write(m_wakeWrite, &byte, 1) < 0 && errno == EINTR) { }
}
