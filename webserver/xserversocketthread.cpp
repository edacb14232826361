#include "xserversocketthread.h"

#include "useritem.h"
#include "xserverconnections.h"
#include "xserverjsonwriter.h"
#include "xwidget.h"
#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetpanel.h"
#include "xwidgetsglobals.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeDatabase>
#include <QScreen>
#include <QThread>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char WEB_FOLDER[] = "web";
const char NOT_FOUND_PAGE[] = "404.html";
const char INDEX_PAGE[] = "index.html";
const char NOT_FOUND_BODY[] = "<h1>404 - Not Found</h1>";
const char HEADERS_TOO_LARGE_BODY[] = "<h1>431 - Request Header Fields Too Large</h1>";
const char BUSY_BODY[] = "BUSY";
const char PARENT_PREFIX[] = "../";
const char PASSWORD_KEY[] = "password";
const char SIGN_IN_ERROR[] = "SIGN_IN_ERROR";
const char REQUEST_ERROR[] = "ERROR";
const char WIDGET_OBJECT_KEY[] = "WIDGET_OBJECT";
const char USERS_DATA_KEY[] = "USERS_DATA";
const char GROUPS_FONT_KEY[] = "GROUPS_FONT";
const char GROUPS_KEY[] = "GROUPS";
const char WIDGETS_KEY[] = "WIDGETS";
const char TEXT_PLAIN[] = "text/plain";
const int STATUS_OK = 200;
const int STATUS_NOT_FOUND = 404;
const int STATUS_HEADERS_TOO_LARGE = 431;
const int STATUS_BUSY = 503;
const int REMEMBERED_TYPES = 1024;
// The folders a path may name differ in case only.
const int REMEMBERED_FOLDERS = 64;
// A file up to this size is answered at once; a larger one is sent in
// pieces of it, as the peer takes them.
const qint64 FILE_PIECE_SIZE = 64 * 1024;

// The status line and header lines of an answer of the given length; extra
// header lines, ended by CR LF each, go after "Content-Length".
QByteArray httpHead(
    qint64 length, int status, const QString& contentType, const QByteArray& extra = QByteArray())
{
    QByteArray head;
    head.reserve(256);
    head += "HTTP/1.0 ";
    switch (status) {
    case STATUS_NOT_FOUND:
        head += "404 Not Found";
        break;
    case STATUS_HEADERS_TOO_LARGE:
        head += "431 Request Header Fields Too Large";
        break;
    case STATUS_BUSY:
        head += "503 Service Unavailable";
        break;
    default:
        head += "200 OK";
    }
    head += "\r\nContent-Type: ";
    head += contentType.toUtf8();
    head += "\r\nContent-Length: ";
    head += QByteArray::number(length);
    head += "\r\n";
    head += extra;
    head += "Server: Velmora Server\r\nConnection: close\r\n\r\n";
    return head;
}

QByteArray httpResponse(const QByteArray& body, int status, const QString& contentType)
{
    return httpHead(body.size(), status, contentType) + body;
}

bool holdsParentSegment(const QString& path)
{
    // A backslash separates segments too where the program runs on Windows.
    const QString slashed = QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QVector<QStringRef> segments = slashed.splitRef(QLatin1Char('/'));
    for (const QStringRef& segment : segments) {
        if (segment == QLatin1String(".."))
            return true;
    }
    return false;
}

// The leading "../" go in one cut: removing them one at a time copies the
// rest of the path each time, which a long run of them turns into minutes.
QByteArray withoutLeadingParents(const QByteArray& path)
{
    const int prefixLength = int(qstrlen(PARENT_PREFIX));
    int from = 0;
    while (qstrncmp(path.constData() + from, PARENT_PREFIX, uint(prefixLength)) == 0)
        from += prefixLength;
    return path.mid(from);
}

// Whether the request's text starts with the method's name in any case. An
// ASCII start is compared as bytes; any other as text, where case folding
// lets further letters count.
bool startsWithWord(const QByteArray& decoded, QLatin1String word)
{
    const int length = qMin(decoded.size(), word.size());
    for (int i = 0; i < length; ++i) {
        if (uchar(decoded.at(i)) >= 0x80) {
            const int enough = word.size() * 4;
            return QString::fromUtf8(decoded.left(enough)).startsWith(word, Qt::CaseInsensitive);
        }
    }
    return decoded.size() >= word.size() && qstrnicmp(decoded.constData(), word.data(), word.size()) == 0;
}

// A JSON null arrives as a valid variant of the null-pointer type.
bool isPresent(const QVariant& value)
{
    return value.isValid() && value.userType() != QMetaType::Nullptr;
}

bool isVisible(UserItem_ACCESS_TYPE access)
{
    return access == ReadOnly || access == ReadAndWrite;
}

// The folder's real path, links resolved; empty when it does not exist. The
// network thread resolves a folder once: should the folder later lead
// elsewhere, its files only get refused.
QString realFolder(const QString& folder)
{
    thread_local QHash<QString, QString> realFolders;
    auto known = realFolders.find(folder);
    if (known == realFolders.end() || known->isEmpty()) {
        if (realFolders.size() >= REMEMBERED_FOLDERS)
            realFolders.clear();
        known = realFolders.insert(folder, QFileInfo(folder).canonicalFilePath());
    }
    return *known;
}

enum class Opened { File, NotFound, NotServed };

// Opens the file that the name leads to, links resolved, when it is a plain
// file whose real path lies inside the folder: a link inside the folder
// that leads out of it is not the folder's. A missing file, or one outside,
// is not found; anything else that is no plain file (a named pipe, a
// device, a folder) is not served.
//
// The check is made on what is opened, not on the name before opening: a
// link swapped between the two would otherwise let a file elsewhere through.
Opened openServedFile(const QString& fileName, const QString& folder, int* descriptor)
{
    const QString inside = realFolder(folder);
    if (inside.isEmpty())
        return Opened::NotFound;
    const QByteArray name = QFile::encodeName(fileName);
#ifdef Q_OS_LINUX
    // The name is resolved once, into a descriptor that opens nothing: a
    // named pipe is not waited on, a device not woken. What it stands for is
    // checked, and only then opened, through that descriptor itself.
    const int path = ::open(name.constData(), O_PATH | O_CLOEXEC);
    if (path < 0)
        return errno == ENOENT || errno == ENOTDIR ? Opened::NotFound : Opened::NotServed;
    const QByteArray own = "/proc/self/fd/" + QByteArray::number(path);
    char real[PATH_MAX];
    const ssize_t length = ::readlink(own.constData(), real, sizeof(real));
    struct stat status = {};
    Opened opened = Opened::File;
    if (length <= 0 || size_t(length) >= sizeof(real)
        || !QFile::decodeName(QByteArray(real, int(length))).startsWith(inside + QLatin1Char('/')))
        opened = Opened::NotFound;
    else if (::fstat(path, &status) != 0 || !S_ISREG(status.st_mode))
        opened = Opened::NotServed;
    else if ((*descriptor = ::open(own.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) < 0)
        opened = Opened::NotServed;
    ::close(path);
    return opened;
#else
    // Without a descriptor's own path: the name's real path must still name
    // the very file that was opened.
    const int file = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (file < 0)
        return errno == ENOENT || errno == ENOTDIR ? Opened::NotFound : Opened::NotServed;
    struct stat opened = {};
    struct stat named = {};
    const QString real = QFileInfo(fileName).canonicalFilePath();
    Opened result = Opened::File;
    if (::fstat(file, &opened) != 0 || !S_ISREG(opened.st_mode))
        result = Opened::NotServed;
    else if (real.isEmpty() || !real.startsWith(inside + QLatin1Char('/'))
        || ::stat(QFile::encodeName(real).constData(), &named) != 0 || named.st_dev != opened.st_dev
        || named.st_ino != opened.st_ino)
        result = Opened::NotFound;
    if (result != Opened::File)
        ::close(file);
    else
        *descriptor = file;
    return result;
#endif
}

// Recognising a type by name and content costs more than serving the file
// (the database compiles its patterns anew on every look-up), so the network
// thread remembers the type of a file for as long as the file is unchanged.
// The content is what was read from the open file: the database would open
// the name again.
QString mimeTypeName(const QString& fileName, QFile* file, const QByteArray& start)
{
    struct stat status = {};
    if (::fstat(file->handle(), &status) != 0)
        return QMimeDatabase().mimeTypeForFileNameAndData(fileName, start).name();
    struct Known
    {
        qint64 seconds = 0;
        qint64 nanoseconds = 0;
        qint64 size = 0;
        quint64 inode = 0;
        QString name;
    };
    thread_local QHash<QString, Known> known;
    const auto it = known.constFind(fileName);
    if (it != known.cend() && it->seconds == status.st_mtim.tv_sec
        && it->nanoseconds == status.st_mtim.tv_nsec && it->size == status.st_size
        && it->inode == status.st_ino)
        return it->name;
    if (known.size() >= REMEMBERED_TYPES)
        known.clear();
    const QString name = QMimeDatabase().mimeTypeForFileNameAndData(fileName, start).name();
    known.insert(fileName,
        { qint64(status.st_mtim.tv_sec), qint64(status.st_mtim.tv_nsec), qint64(status.st_size),
            quint64(status.st_ino), name });
    return name;
}
}

XServerSocketThread::XServerSocketThread(
    XServerConnections* connections, const QString& peerAddress, QObject* parent)
    : QObject(parent)
    , m_connections(connections)
    , m_peerAddress(peerAddress)
{
}

QByteArray XServerSocketThread::busyResponse(int retryAfterSeconds)
{
    return httpHead(qstrlen(BUSY_BODY), STATUS_BUSY, QLatin1String(TEXT_PLAIN),
               "Retry-After: " + QByteArray::number(retryAfterSeconds) + "\r\n")
        + BUSY_BODY;
}

QByteArray XServerSocketThread::headersTooLargeResponse()
{
    return httpResponse(HEADERS_TOO_LARGE_BODY, STATUS_HEADERS_TOO_LARGE, QLatin1String(TEXT_PLAIN));
}

QByteArray XServerSocketThread::decode(const QByteArray& request)
{
    return QByteArray::fromPercentEncoding(request);
}

bool XServerSocketThread::isPost(const QByteArray& decoded)
{
    return startsWithWord(decoded, QLatin1String("POST"));
}

bool XServerSocketThread::isGet(const QByteArray& decoded)
{
    return !isPost(decoded) && startsWithWord(decoded, QLatin1String("GET"));
}

XServerSocketThread::Answer XServerSocketThread::answer() const
{
    return m_answer;
}

void XServerSocketThread::handlePost(const QString& text)
{
    const QString rest = text.mid(text.indexOf(QLatin1Char('/')) + 1);
    const QString userName = rest.left(rest.indexOf(QLatin1Char(' ')));
    const QString body = rest.mid(rest.lastIndexOf(QLatin1Char('\n')) + 1);

    const QJsonDocument document = QJsonDocument::fromJson(body.toUtf8());
    const QVariantMap request = document.isObject() ? document.object().toVariantMap() : QVariantMap();
    const QVariant passwordValue = request.value(QLatin1String(PASSWORD_KEY));
    const QString password = passwordValue.isValid() ? passwordValue.toString() : QString();
    if (!document.isObject() || password.isEmpty()) {
        m_answer.signIn = XServerSignInGate::Outcome::Failed;
        sendBare(REQUEST_ERROR);
        return;
    }

    UserItem* signedIn = nullptr;
    const bool checked = inGuiThread([&]() {
        for (UserItem* candidate : qAsConst(XUsersList)) {
            if (candidate->userName == userName) {
                if (candidate->password == password)
                    signedIn = candidate;
                return;
            }
        }
    });
    if (!checked)
        return;
    if (!signedIn) {
        m_answer.signIn = XServerSignInGate::Outcome::Failed;
        sendBare(SIGN_IN_ERROR);
        return;
    }
    m_answer.signIn = XServerSignInGate::Outcome::Succeeded;

    user = signedIn;
    handleRequest(request);
    if (m_abandoned)
        return;

    const QDateTime now = QDateTime::currentDateTime();
    // Records taken out of the list are kept alive, so the pointer is still good.
    inGuiThread([&]() {
        user->lastWebRequest.dateTime = now;
        user->lastWebRequest.address = m_peerAddress;
    });
}

void XServerSocketThread::handleGet(const QByteArray& decoded)
{
    // A slash or a blank of the text is always that very byte of the decoded
    // request, so the path can be cut from the bytes and read as text alone.
    const int slash = decoded.indexOf('/');
    const int blank = slash >= 0 ? decoded.indexOf(' ', slash + 1) : -1;
    QString path = QString::fromUtf8(
        withoutLeadingParents(blank >= 0 ? decoded.mid(slash + 1, blank - slash - 1) : QByteArray()));
    if (path.isEmpty())
        path = QLatin1String(INDEX_PAGE);

    const QString appDir = m_connections->applicationFolder();
    const QString webDir = appDir + QLatin1Char('/') + QLatin1String(WEB_FOLDER);
    // Only the three folders are served: a path that climbs out of the one it
    // names gets the not-found page, never a file elsewhere on disk.
    if (holdsParentSegment(path)) {
        sendFile(webDir + QLatin1Char('/') + QLatin1String(NOT_FOUND_PAGE), webDir);
    } else if (path.startsWith(QLatin1String("content/"), Qt::CaseInsensitive)
        || path.startsWith(QLatin1String("widgets_components_lib/"), Qt::CaseInsensitive)) {
        sendFile(appDir + QLatin1Char('/') + path,
            appDir + QLatin1Char('/') + path.section(QLatin1Char('/'), 0, 0));
    } else {
        sendFile(webDir + QLatin1Char('/') + path, webDir);
    }
}

void XServerSocketThread::sendFile(const QString& fileName, const QString& folder)
{
    int descriptor = -1;
    switch (openServedFile(fileName, folder, &descriptor)) {
    case Opened::File:
        break;
    case Opened::NotFound: {
        const QString webDir
            = m_connections->applicationFolder() + QLatin1Char('/') + QLatin1String(WEB_FOLDER);
        const QString notFoundPage = webDir + QLatin1Char('/') + QLatin1String(NOT_FOUND_PAGE);
        if (fileName != notFoundPage) {
            sendFile(notFoundPage, webDir);
            return;
        }
    }
        Q_FALLTHROUGH();
    case Opened::NotServed:
        sendResponse(NOT_FOUND_BODY, STATUS_NOT_FOUND, QLatin1String(TEXT_PLAIN));
        return;
    }

    auto file = std::make_shared<QFile>();
    if (!file->open(descriptor, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        sendResponse(NOT_FOUND_BODY, STATUS_NOT_FOUND, QLatin1String(TEXT_PLAIN));
        return;
    }
    const qint64 size = file->size();
    const QByteArray start = file->read(qMin(size, FILE_PIECE_SIZE));
    if (start.size() != qMin(size, FILE_PIECE_SIZE)) {
        sendResponse(NOT_FOUND_BODY, STATUS_NOT_FOUND, QLatin1String(TEXT_PLAIN));
        return;
    }
    m_answer.response = httpHead(size, STATUS_OK, mimeTypeName(fileName, file.get(), start)) + start;
    m_answer.answered = true;
    if (size > start.size()) {
        m_answer.file = file;
        m_answer.fileLeft = size - start.size();
    }
}

void XServerSocketThread::sendResponse(QByteArray body, int status, QString contentType)
{
    m_answer.response = httpResponse(body, status, contentType);
    m_answer.answered = true;
}

QByteArray XServerSocketThread::dataResponse(const QVariantMap& data)
{
    return httpResponse(XServerJsonWriter::indented(data), STATUS_OK, QLatin1String(TEXT_PLAIN));
}

void XServerSocketThread::sendData(const QVariantMap& data)
{
    m_answer.data = data;
    m_answer.answered = true;
    m_answer.answeredWithData = true;
}

void XServerSocketThread::sendBare(const QByteArray& bytes)
{
    m_answer.response = bytes;
    m_answer.answered = true;
}

template <typename Call> bool XServerSocketThread::inGuiThread(Call call)
{
    // A pass runs in the GUI thread as a whole; once the server is being
    // taken down the panel and the users may be gone already: the request is
    // then dropped unanswered.
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    if (m_abandoned || m_connections->isStopping()) {
        m_abandoned = true;
        return false;
    }
    call();
    return true;
}

void XServerSocketThread::handleRequest(QVariantMap request)
{
    const QVariant widgetId = request.value(QLatin1String(WIDGET_OBJECT_KEY));
    if (isPresent(widgetId)) {
        bool found = false;
        QString text;
        // webObject reads the component list, which the GUI thread rebuilds.
        inGuiThread([&]() {
            const AccessibleWidget widget = findWidget(widgetId.toString());
            if (!widget.first)
                return;
            found = true;
            text = widget.first->webObject(widget.second == ReadAndWrite);
        });
        if (found)
            sendResponse(text.toUtf8(), STATUS_OK, QLatin1String(TEXT_PLAIN));
        return;
    }

    const QVariantMap data = collectData(request);
    if (m_abandoned)
        return;
    sendData(data);
}

QVariantMap XServerSocketThread::collectData(QVariantMap request)
{
    QVariantMap answer;
    const QVariant userData = request.value(QLatin1String(USERS_DATA_KEY));
    if (isPresent(userData))
        answer.insert(QLatin1String(USERS_DATA_KEY), usersData(userData.toMap()));
    if (isPresent(request.value(QLatin1String(GROUPS_FONT_KEY))))
        answer.insert(QLatin1String(GROUPS_FONT_KEY), groupsFont());
    const QVariant groups = request.value(QLatin1String(GROUPS_KEY));
    if (isPresent(groups))
        answer.insert(QLatin1String(GROUPS_KEY), groupsData(groups.toMap()));
    const QVariant widgets = request.value(QLatin1String(WIDGETS_KEY));
    if (isPresent(widgets))
        answer.insert(QLatin1String(WIDGETS_KEY), widgetsData(widgets.toMap()));
    return answer;
}

QVariantMap XServerSocketThread::usersData(QVariantMap input)
{
    QVariantMap answer;
    const QVariant settings = input.value(QStringLiteral("settings"));
    inGuiThread([&]() {
        if (user->saveParametersWEB && isPresent(settings))
            user->settings = settings.toMap();
        answer.insert(QStringLiteral("settings"), user->settings);
        answer.insert(QStringLiteral("fullName"), user->fullName);
        answer.insert(QStringLiteral("post"), user->post);
        answer.insert(QStringLiteral("phone"), user->phone);
        answer.insert(QStringLiteral("email"), user->email);
    });
    return answer;
}

QVariantMap XServerSocketThread::groupsFont()
{
    QFont font;
    int dpi = 0;
    inGuiThread([&]() {
        font = QApplication::font();
        // Whole dots, as Qt takes them for turning points into pixels.
        const QScreen* screen = QGuiApplication::primaryScreen();
        dpi = screen ? qRound(screen->logicalDotsPerInchY()) : 0;
    });
    const QString size = font.pointSize() < 0 ? QStringLiteral("%1px").arg(font.pixelSize())
                                              : QStringLiteral("%1pt").arg(font.pointSize());
    QVariantMap answer { { QStringLiteral("family"), font.family() }, { QStringLiteral("size"), size } };
    // The inch that the panel's point sizes are drawn at: the browser's own
    // is 96 pixels, the panel's is its screen's.
    if (dpi > 0)
        answer.insert(QStringLiteral("dpi"), dpi);
    return answer;
}

QVariantMap XServerSocketThread::groupsData(QVariantMap input)
{
    Q_UNUSED(input)
    QVariantMap answer;
    inGuiThread([&]() {
        if (!XWidgetsPanel || !XWidgetsPanel->groups)
            return;
        for (XWidgetGroup* group : qAsConst(*XWidgetsPanel->groups)) {
            const XWidgetGroupSettings* record = group->settings;
            const UserItem_ACCESS_TYPE access = user->access.value(record->name, NotAllowed);
            if (!isVisible(access))
                continue;
            QVariantMap settings { { QStringLiteral("x"), record->position.x() },
                { QStringLiteral("y"), record->position.y() },
                { QStringLiteral("height"), record->size.height() },
                { QStringLiteral("width"), record->size.width() } };
            if (record->useImage)
                settings.insert(QStringLiteral("bgimg"), record->imageFile);
            QVariantList ids;
            for (XWidget* widget : qAsConst(group->widgets))
                ids.append(widget->id());
            // The browser marks what the user may only read instead of
            // sending clicks that the exchange drops.
            answer.insert(record->name,
                QVariantMap { { QStringLiteral("settings"), settings }, { QStringLiteral("wlist"), ids },
                    { QStringLiteral("writable"), access == ReadAndWrite } });
        }
    });
    return answer;
}

QVariantHash XServerSocketThread::widgetsData(QVariantMap input)
{
    // Each pass is one call into the GUI thread, which runs every widget's
    // webMapDo there in turn: the exchanges of several browsers cannot
    // interleave on a widget, and a widget costs no round trip of its own.
    inGuiThread([&]() { webMapPass(input, true, nullptr); });
    QVariantHash answer;
    inGuiThread([&]() { webMapPass(input, false, &answer); });
    return answer;
}

void XServerSocketThread::webMapPass(const QVariantMap& input, bool applyInput, QVariantHash* answer)
{
    // The answer is built by the pass without input alone: the input pass
    // calls only the widgets that get input, which a browser sends for a click
    // and not with every poll.
    if (applyInput && input.isEmpty())
        return;
    // A widget's own webMap may have another deleted (a click running a
    // script), so each is looked at through its guard.
    const QVector<AccessibleWidget> widgets = accessibleWidgets();
    if (answer)
        answer->reserve(widgets.size());
    for (const AccessibleWidget& widget : widgets) {
        if (!widget.first)
            continue;
        const bool writable = widget.second == ReadAndWrite;
        const QString id = widget.first->id();
        if (applyInput) {
            if (!writable)
                continue;
            const QVariantMap widgetInput = input.value(id).toMap();
            if (!widgetInput.isEmpty())
                widget.first->webMapDo(widgetInput, writable);
            continue;
        }
        widget.first->webMapDo(QVariantMap(), writable);
        if (answer && widget.first && !widget.first->webData.isEmpty())
            answer->insert(id, widget.first->webData);
    }
}

QVector<XServerSocketThread::AccessibleWidget> XServerSocketThread::accessibleWidgets()
{
    QVector<AccessibleWidget> widgets;
    if (!XWidgetsPanel || !XWidgetsPanel->groups)
        return widgets;
    for (XWidgetGroup* group : qAsConst(*XWidgetsPanel->groups)) {
        const UserItem_ACCESS_TYPE access = user->access.value(group->settings->name, NotAllowed);
        if (!isVisible(access))
            continue;
        for (XWidget* widget : qAsConst(group->widgets))
            widgets.append({ widget, access });
    }
    return widgets;
}

XServerSocketThread::AccessibleWidget XServerSocketThread::findWidget(QString id)
{
    const QVector<AccessibleWidget> widgets = accessibleWidgets();
    for (const AccessibleWidget& widget : widgets) {
        if (widget.first->id() == id)
            return widget;
    }
    return { nullptr, NotAllowed };
}
