#include "appglobals.h"
#include "applicationdata.h"
#include "freeport.h"
#include "headerfit.h"
#include "journalexchangeitem.h"
#include "journalitem.h"
#include "journalmodel.h"
#include "loopgapmeter.h"
#include "mainwindow.h"
#include "processstatus.h"
#include "testappfolder.h"
#include "xmodule.h"
#include "xmodulebase.h"
#include "xmodulestabwidget.h"
#include "xwidgetpanel.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentsettings.h"
#include "xwidgetstandartsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {
const char MODULE_NAME[] = "Requests";
const char WIDGET_ID[] = "tank";
const char HEADER_END[] = "\r\n\r\n";

const int ANSWER_LIMIT = 4 * 1024 * 1024;
const int WAITING_PER_SERVER = 64;
const int CONNECTIONS_PER_SERVER = 6;
// How long the window may go without turning its event loop, however busy
// the machine, while the module takes in what a server sends.
const int MAX_LOOP_GAP_MS = 2000;
// How soon a healthy server's answer shows whatever another server does.
const int OTHER_SERVER_ANSWER_MS = 5000;

// Answers every HTTP GET on 127.0.0.1 with the body set for its path, or
// with the bytes set for it as they stand, and notes the paths in the order
// they came. Paths that begin with "/hang" are never answered, those that
// begin with "/drip" get their answer a byte every few milliseconds, those
// that begin with "/endless-headers" a header line every few milliseconds
// and never an end of the header, those that begin with "/reset" have their
// connection reset.
class AnswerServer : public QObject
{
public:
    AnswerServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, &AnswerServer::accept);
        m_server.listen(QHostAddress::LocalHost);
    }

    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }

    int openConnections() const { return m_open; }
    int mostOpen() const { return m_mostOpen; }

    QMap<QString, QByteArray> bodies;
    QMap<QString, QByteArray> raw;
    QStringList paths;

private:
    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            m_mostOpen = qMax(m_mostOpen, ++m_open);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                --m_open;
                socket->deleteLater();
            });
        }
    }

    void answer(QTcpSocket* socket)
    {
        QByteArray& received = m_received[socket];
        received += socket->readAll();
        if (!received.contains(HEADER_END))
            return;
        const QString path = QString::fromLatin1(received.split(' ').value(1));
        paths << path;
        m_received.remove(socket);
        if (path.startsWith(QLatin1String("/hang")))
            return;
        if (path.startsWith(QLatin1String("/drip"))) {
            socket->write("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n");
            auto* drip = new QTimer(socket);
            connect(drip, &QTimer::timeout, socket, [socket] { socket->write("x"); });
            drip->start(10);
            return;
        }
        if (path.startsWith(QLatin1String("/endless-headers"))) {
            socket->write("HTTP/1.1 200 OK\r\n");
            auto* drip = new QTimer(socket);
            connect(drip, &QTimer::timeout, socket, [socket] { socket->write("X-More: more\r\n"); });
            drip->start(10);
            return;
        }
        if (path.startsWith(QLatin1String("/reset"))) {
            const linger reset { 1, 0 };
            setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            socket->abort();
            return;
        }
        if (raw.contains(path)) {
            socket->write(raw.value(path));
        } else {
            const QByteArray body = bodies.value(path, "no such page");
            socket->write(
                "HTTP/1.0 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + HEADER_END + body);
        }
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_received;
    int m_open = 0;
    int m_mostOpen = 0;
};

QByteArray gzip(const QByteArray& data)
{
    z_stream stream {};
    // 16 on top of the window bits asks for the gzip wrapper.
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return QByteArray();
    QByteArray packed(int(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = uInt(packed.size());
    const bool done = deflate(&stream, Z_FINISH) == Z_STREAM_END;
    packed.truncate(int(stream.total_out));
    deflateEnd(&stream);
    return done ? packed : QByteArray();
}

QByteArray httpAnswer(const QByteArray& status, const QByteArray& headers, const QByteArray& body)
{
    return "HTTP/1.0 " + status + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + headers
        + "\r\n" + body;
}

// A gzip body of the given number of MiB of "a", sent in about a thousandth
// of that. Each MiB is flushed whole, so that every MiB after the first packs
// to the same bytes: the body is built without packing it all.
QByteArray gzipBomb(int mebibytes)
{
    const QByteArray block(1024 * 1024, 'a');
    z_stream stream {};
    if (mebibytes < 2
        || deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return QByteArray();
    const auto pack = [&stream, &block] {
        QByteArray packed(int(deflateBound(&stream, uLong(block.size()))) + 64, Qt::Uninitialized);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.constData()));
        stream.avail_in = uInt(block.size());
        stream.next_out = reinterpret_cast<Bytef*>(packed.data());
        stream.avail_out = uInt(packed.size());
        deflate(&stream, Z_FULL_FLUSH);
        packed.truncate(packed.size() - int(stream.avail_out));
        return packed;
    };
    const QByteArray first = pack();
    const QByteArray next = pack();
    deflateEnd(&stream);

    QByteArray bomb = first;
    for (int i = 1; i < mebibytes; ++i)
        bomb += next;
    const uLong blockCrc = crc32(0, reinterpret_cast<const Bytef*>(block.constData()), uInt(block.size()));
    uLong crc = 0;
    for (int i = 0; i < mebibytes; ++i)
        crc = crc32_combine(crc, blockCrc, block.size());
    // An empty last block, then the check sum and the length of the whole.
    bomb += QByteArray("\x03\x00", 2);
    const quint32 trailer[] = { qToLittleEndian(quint32(crc)), qToLittleEndian(quint32(quint64(mebibytes) << 20)) };
    bomb += QByteArray(reinterpret_cast<const char*>(trailer), sizeof trailer);
    return bomb;
}

// Descriptors of this process that a program it starts would inherit.
QSet<int> inheritableDescriptors()
{
    QSet<int> found;
    const QStringList entries = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System);
    for (const QString& entry : entries) {
        bool number = false;
        const int descriptor = entry.toInt(&number);
        const int flags = number ? fcntl(descriptor, F_GETFD) : -1;
        if (flags >= 0 && !(flags & FD_CLOEXEC))
            found.insert(descriptor);
    }
    return found;
}

// Sends one answer from a thread of its own, so that the answer goes out
// while the test's window is busy; notes when the answer is gone, or when
// the client stopped taking it.
class ThreadServer
{
public:
    explicit ThreadServer(const QByteArray& answer)
        : m_answer(answer)
    {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0
            || listen(m_listener, 4) != 0
            || getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }

    ~ThreadServer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listener >= 0)
            close(m_listener);
    }

    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
    }
    bool isListening() const { return m_port != 0; }
    bool isDone() const { return m_done; }

private:
    // Waits for the descriptor in short steps so that the destructor is heard.
    bool waitFor(int descriptor, short events) const
    {
        pollfd entry { descriptor, events, 0 };
        while (!m_stop) {
            if (poll(&entry, 1, 50) > 0)
                return true;
        }
        return false;
    }

    void serve()
    {
        if (!waitFor(m_listener, POLLIN))
            return;
        const int peer = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (peer < 0)
            return;
        QByteArray request;
        char buffer[4096];
        while (!request.contains(HEADER_END) && waitFor(peer, POLLIN)) {
            const ssize_t got = recv(peer, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request.append(buffer, int(got));
        }
        for (qint64 sent = 0; sent < m_answer.size() && waitFor(peer, POLLOUT);) {
            const ssize_t put = send(peer, m_answer.constData() + sent, size_t(m_answer.size() - sent), MSG_NOSIGNAL);
            if (put < 0 && errno != EAGAIN)
                break;
            sent += qMax<ssize_t>(put, 0);
        }
        m_done = true;
        close(peer);
    }

    QByteArray m_answer;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_done { false };
    std::thread m_thread;
};

QVariantMap item(const QString& name, const QString& request)
{
    return { { "name", name }, { "request", request }, { "type", 0 }, { "comment", QString() } };
}

void writeJson(const QString& relative, const QVariantMap& map)
{
    TestAppFolder::writeOwnFile(relative, QJsonDocument(QJsonObject::fromVariantMap(map)).toJson());
}

QVariantMap readModuleSettings()
{
    return QJsonDocument::fromJson(
        TestAppFolder::readOwnFile(QStringLiteral("modules/%1.xmodule").arg(QLatin1String(MODULE_NAME))))
        .object()
        .toVariantMap()
        .value("libSettings")
        .toMap();
}
}

// The Webquery module in the real host: bound to a component of a standard
// widget, it sends the requests its values name to a local HTTP server.
class tst_Webquery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void valueSendsNamedRequest_data();
    void valueSendsNamedRequest();
    void answerReplacesValue_data();
    void answerReplacesValue();
    void answerAfterTabDeleted();
    void typedWidgetIdBindsFirstComponent();
    void tableEditsSavedAtExit();
    void secondModuleTakesSetterOver();
    void unboundComponentGetsItsRolesBack_data();
    void unboundComponentGetsItsRolesBack();
    void removedModuleGivesRolesBack();
    void onlyHttpRequestsSent_data();
    void onlyHttpRequestsSent();
    void failedRequestWritesNothing_data();
    void failedRequestWritesNothing();
    void hungRequestsFreeTheirConnections();
    void otherServerAnswersBesideAMisbehavingOne_data();
    void otherServerAnswersBesideAMisbehavingOne();
    void inflatingAnswerStopsAtTheLimitWhileWindowBusy();
    void valuesBeyondTheBoundNotSent();
    void quitStopsEveryRequest();
    void descriptorsCloseOnExec();
    void rebindsAfterComponentsRebuilt();
    void columnTitlesShowInFull();

private:
    void startWindow(const QVariantMap& libSettings);
    XWidgetStandartComponent* hostComponent(const QString& name);
    QWidget* moduleTab();
    QObject* moduleObject() const;
    // Journal entries of the running window whose text begins with that
    // text, "[level] source".
    static QStringList journalEntries(const QString& start);
    // Binds component "level" to items "read" (the given URL), "open" and
    // "hang" on the server, the answer set to the component; the module's
    // request deadline is shortened when one is given.
    void startReading(const QString& readUrl, int deadlineMs = 0);
    // What the operator enters into a component that has a setter.
    static void enter(XWidgetStandartComponent* component, const QString& value);

    std::unique_ptr<ApplicationData> m_applicationData;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<AnswerServer> m_server;
};

void tst_Webquery::initTestCase()
{
    TestAppFolder::linkStagedFolders();
}

void tst_Webquery::init()
{
    TestAppFolder::cleanOwnFolder();
    m_applicationData.reset(new ApplicationData);
    QCoreApplication::setApplicationName(m_applicationData->applicationName());
    m_server.reset(new AnswerServer);
    writeJson(QStringLiteral("standart_widgets/%1.sw").arg(QLatin1String(WIDGET_ID)),
        { { "name", "Tank" },
            { "components",
                QVariantMap { { "0", QVariantMap { { "name", "level" } } },
                    { "1", QVariantMap { { "name", "state" } } } } } });
}

void tst_Webquery::cleanup()
{
    m_window.reset();
    // Module objects go by deleteLater.
    QTRY_VERIFY(XModulesList.isEmpty());
    m_applicationData.reset();
    m_server.reset();
}

void tst_Webquery::startWindow(const QVariantMap& libSettings)
{
    writeJson(QStringLiteral("modules/%1.xmodule").arg(QLatin1String(MODULE_NAME)),
        { { "libName", "Webquery" }, { "libSettings", libSettings } });
    m_window.reset(new MainWindow(m_applicationData.get()));
    QCOMPARE(XModulesList.size(), 1);
}

XWidgetStandartComponent* tst_Webquery::hostComponent(const QString& name)
{
    auto* widget = qobject_cast<XWidgetStandart*>(XWidgetsPanel->getXWidgetByID(QLatin1String(WIDGET_ID)));
    return widget ? widget->component(name) : nullptr;
}

QWidget* tst_Webquery::moduleTab()
{
    auto* tabs = m_window->findChild<XModulesTabWidget*>();
    return tabs && tabs->count() > 1 ? tabs->widget(0) : nullptr;
}

QObject* tst_Webquery::moduleObject() const
{
    return XModulesList.isEmpty() ? nullptr : XModulesList.first()->moduleObject;
}

QStringList tst_Webquery::journalEntries(const QString& start)
{
    QStringList found;
    const QVariantMap journal = XJournalModel->map();
    for (const QVariant& entry : journal) {
        const QVariantMap map = entry.toMap();
        if (map.value("text").toString().startsWith(start))
            found << QStringLiteral("[%1] %2")
                         .arg(map.value("level").toInt())
                         .arg(map.value("sourse").toString());
    }
    return found;
}

void tst_Webquery::enter(XWidgetStandartComponent* component, const QString& value)
{
    component->setValueHandler(value, nullptr);
}

void tst_Webquery::valueSendsNamedRequest_data()
{
    QTest::addColumn<bool>("useExtraEnd");
    QTest::addColumn<QString>("divider");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("acknowledged");

    QTest::newRow("a name sends its request, the first of two") << false << "###"
                                                                << "open"
                                                                << "/open?x"
                                                                << "open";
    QTest::newRow("extra end appended, bare name acknowledged") << true << "###"
                                                                << "open###&v=5###rest"
                                                                << "/open?x&v=5"
                                                                << "open";
    QTest::newRow("extra end on, no divider in the value") << true << "###"
                                                           << "open"
                                                           << "/open?x"
                                                           << "open";
    QTest::newRow("empty divider splits nothing") << true << ""
                                                  << "open###5"
                                                  << ""
                                                  << "";
    QTest::newRow("extra end off: the whole text is the name") << false << "###"
                                                               << "open###5"
                                                               << ""
                                                               << "";
    QTest::newRow("the divider alone names nothing") << true << "###"
                                                     << "###"
                                                     << ""
                                                     << "";
    QTest::newRow("an unknown name is ignored") << false << "###"
                                                << "close"
                                                << ""
                                                << "";
    QTest::newRow("an empty request sends nothing") << false << "###"
                                                    << "idle"
                                                    << ""
                                                    << "";
}

void tst_Webquery::valueSendsNamedRequest()
{
    QFETCH(bool, useExtraEnd);
    QFETCH(QString, divider);
    QFETCH(QString, value);
    QFETCH(QString, path);
    QFETCH(QString, acknowledged);
    m_server->bodies.insert(QStringLiteral("/open?x"), "opened");

    startWindow({ { "xwidget", WIDGET_ID }, { "component", "state" }, { "useExtraEnd", useExtraEnd },
        { "extraEndDivider", divider },
        { "items",
            QVariantMap { { "0", item(QString(), m_server->url("/nameless")) },
                { "1", item("open", m_server->url("/open?x")) },
                { "2", item("open", m_server->url("/second")) }, { "3", item("idle", QString()) } } } });
    XWidgetStandartComponent* component = hostComponent(QStringLiteral("state"));
    QVERIFY(component);
    QWidget* tab = moduleTab();
    QVERIFY(tab);
    auto* answerBox = tab->findChild<QPlainTextEdit*>();
    QVERIFY(answerBox);

    enter(hostComponent(QStringLiteral("level")), QStringLiteral("open"));
    enter(component, value);
    // Acknowledged before any answer can have come.
    QCOMPARE(component->lastSetValue().toString(), acknowledged);
    if (path.isEmpty()) {
        // Nothing sent: the next request is the first the server sees.
        enter(component, QStringLiteral("open"));
        QTRY_COMPARE(m_server->paths, QStringList { "/open?x" });
    } else {
        QTRY_COMPARE(m_server->paths, QStringList { path });
    }
    if (path == QLatin1String("/open?x"))
        QTRY_COMPARE(answerBox->toPlainText(), QStringLiteral("opened"));
    QCOMPARE(component->setter(), static_cast<QObject*>(XModulesList.first()->moduleObject));
}

void tst_Webquery::answerReplacesValue_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("value");

    QTest::newRow("the answer text") << httpAnswer("200 OK", QByteArray(), "level 7") << "level 7";
    QTest::newRow("cut at the first zero byte")
        << httpAnswer("200 OK", QByteArray(), QByteArray("level 7\0tail", 12)) << "level 7";
    QTest::newRow("UTF-8 text") << httpAnswer("200 OK", QByteArray(), "F\xc3\xbcllstand")
                                << QString::fromUtf8("F\xc3\xbcllstand");
    QTest::newRow("a redirect is an answer of its own, not followed")
        << httpAnswer("302 Found", "Location: /elsewhere\r\n", "moved") << "moved";
    QTest::newRow("chunked, packed with gzip")
        << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Encoding: gzip\r\n"
                      "Connection: close\r\n\r\n")
            + QByteArray::number(gzip("level 7").size(), 16) + "\r\n" + gzip("level 7") + "\r\n0\r\n\r\n"
        << "level 7";
}

void tst_Webquery::answerReplacesValue()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, value);
    m_server->raw.insert(QStringLiteral("/read"), answer);

    startWindow({ { "xwidget", WIDGET_ID }, { "component", "level" }, { "setAnswerToComponent", true },
        { "items", QVariantMap { { "0", item("read", m_server->url("/read")) } } } });
    XWidgetStandartComponent* component = hostComponent(QStringLiteral("level"));
    QVERIFY(component);

    enter(component, QStringLiteral("read"));
    QVERIFY(!component->lastSetValue().isValid());
    QTRY_COMPARE(component->lastSetValue(), QVariant(value));
    QCOMPARE(m_server->paths, QStringList { "/read" });
}

void tst_Webquery::answerAfterTabDeleted()
{
    m_server->bodies.insert(QStringLiteral("/read"), "late");
    startWindow({ { "xwidget", WIDGET_ID }, { "component", "level" }, { "setAnswerToComponent", true },
        { "items", QVariantMap { { "0", item("read", m_server->url("/read")) } } } });
    XWidgetStandartComponent* component = hostComponent(QStringLiteral("level"));
    QVERIFY(component);

    enter(component, QStringLiteral("read"));
    // The host deletes the module's tab before the module object itself; the
    // reply still finishes in between.
    delete moduleTab();
    QTRY_COMPARE(component->lastSetValue(), QVariant(QStringLiteral("late")));
}

void tst_Webquery::typedWidgetIdBindsFirstComponent()
{
    startWindow({ { "items", QVariantMap { { "0", item("open", m_server->url("/open")) } } } });
    QWidget* tab = moduleTab();
    QVERIFY(tab);
    auto* combo = tab->findChild<QComboBox*>();
    auto* idEdit = tab->findChild<QLineEdit*>();
    QVERIFY(combo && idEdit);
    QCOMPARE(combo->count(), 0);
    XWidgetStandartComponent* level = hostComponent(QStringLiteral("level"));
    QVERIFY(level && !level->setter());

    idEdit->setFocus();
    QTest::keyClicks(idEdit, QLatin1String(WIDGET_ID));
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(0), QStringLiteral("level"));
    QCOMPARE(level->setter(), static_cast<QObject*>(XModulesList.first()->moduleObject));
    enter(level, QStringLiteral("open"));
    QTRY_COMPARE(m_server->paths, QStringList { "/open" });

    // A new selection: the old component's values reach the module no more.
    combo->setCurrentText(QStringLiteral("state"));
    enter(level, QStringLiteral("open"));
    enter(hostComponent(QStringLiteral("state")), QStringLiteral("open"));
    QTRY_COMPARE(m_server->paths.size(), 2);
    QTest::qWait(50);
    QCOMPARE(m_server->paths.size(), 2);

    m_window.reset();
    const QVariantMap saved = readModuleSettings();
    QCOMPARE(saved.value("xwidget").toString(), QLatin1String(WIDGET_ID));
    QCOMPARE(saved.value("component").toString(), QStringLiteral("state"));
}

void tst_Webquery::tableEditsSavedAtExit()
{
    // Row "1" is missing: row "2" is dropped. The divider is missing: "###".
    startWindow({ { "items",
        QVariantMap { { "0", item("open", "http://127.0.0.1/open") }, { "2", item("lost", "x") } } } });
    QWidget* tab = moduleTab();
    QVERIFY(tab);
    auto* table = tab->findChild<QTableView*>();
    QVERIFY(table && table->model());
    QAbstractItemModel* model = table->model();
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(model->headerData(0, Qt::Vertical).toString(), QStringLiteral("1"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("HTTP request"));

    QPushButton* add = nullptr;
    QPushButton* remove = nullptr;
    for (QPushButton* button : tab->findChildren<QPushButton*>()) {
        if (button->text() == QLatin1String("Add"))
            add = button;
        else if (button->text() == QLatin1String("Remove"))
            remove = button;
    }
    QVERIFY(add && remove);
    QTest::mouseClick(remove, Qt::LeftButton);
    QCOMPARE(model->rowCount(), 1);
    QTest::mouseClick(add, Qt::LeftButton);
    QTest::mouseClick(add, Qt::LeftButton);
    QCOMPARE(model->rowCount(), 3);
    QVERIFY(model->setData(model->index(1, 0), QStringLiteral("close")));
    QVERIFY(model->setData(model->index(1, 1), QStringLiteral("http://127.0.0.1/close")));
    QVERIFY(model->setData(model->index(1, 2), QStringLiteral("shuts it")));
    table->setCurrentIndex(model->index(2, 0));
    QTest::mouseClick(remove, Qt::LeftButton);
    QCOMPARE(model->rowCount(), 2);

    table->horizontalHeader()->resizeSection(0, 123);
    QCheckBox* setAnswer = nullptr;
    QCheckBox* useExtraEnd = nullptr;
    for (QCheckBox* box : tab->findChildren<QCheckBox*>()) {
        if (box->text() == QLatin1String("Set answer to component"))
            setAnswer = box;
        else if (box->text() == QLatin1String("Use extra end"))
            useExtraEnd = box;
    }
    QVERIFY(setAnswer && useExtraEnd);
    setAnswer->setChecked(true);
    useExtraEnd->setChecked(true);

    m_window.reset();
    const QVariantMap saved = readModuleSettings();
    QCOMPARE(saved.value("setAnswerToComponent").toBool(), true);
    QCOMPARE(saved.value("useExtraEnd").toBool(), true);
    QCOMPARE(saved.value("extraEndDivider").toString(), QStringLiteral("###"));
    const QVariantList widths = saved.value("tableCollumnWith").toList();
    QCOMPARE(widths.size(), 2);
    QCOMPARE(widths.first().toInt(), 123);
    const QVariantMap items = saved.value("items").toMap();
    QCOMPARE(items.keys(), QStringList({ "0", "1" }));
    QCOMPARE(items.value("0").toMap(), item("open", "http://127.0.0.1/open"));
    const QVariantMap added { { "name", "close" }, { "request", "http://127.0.0.1/close" }, { "type", 0 },
        { "comment", "shuts it" } };
    QCOMPARE(items.value("1").toMap(), added);
}

void tst_Webquery::secondModuleTakesSetterOver()
{
    const QVariantMap binding { { "xwidget", WIDGET_ID }, { "component", "state" } };
    writeJson(
        QStringLiteral("modules/Second.xmodule"), { { "libName", "Webquery" }, { "libSettings", binding } });
    writeJson(QStringLiteral("modules/%1.xmodule").arg(QLatin1String(MODULE_NAME)),
        { { "libName", "Webquery" }, { "libSettings", binding } });
    m_window.reset(new MainWindow(m_applicationData.get()));
    QCOMPARE(XModulesList.size(), 2);
    XModule* second = XModulesList.at(1);
    QCOMPARE(second->objectName(), QStringLiteral("Second"));
    QCOMPARE(hostComponent(QStringLiteral("state"))->setter(), static_cast<QObject*>(second->moduleObject));

    const auto conflicts = [] {
        QStringList found;
        const QVariantMap journal = XJournalModel->map();
        for (const QVariant& entry : journal) {
            const QVariantMap map = entry.toMap();
            if (map.value("text").toString() == QLatin1String("Conflict of setters."))
                found << QStringLiteral("[%1] %2")
                             .arg(map.value("level").toInt())
                             .arg(map.value("sourse").toString());
        }
        return found;
    };
    QTRY_COMPARE(conflicts(), QStringList { "[3] Second" });
}

void tst_Webquery::unboundComponentGetsItsRolesBack_data()
{
    QTest::addColumn<QString>("library");
    // Writability given through the component before the module binds it;
    // invalid: none, the library object keeps what it was made with.
    QTest::addColumn<QVariant>("writableBefore");
    // What the component reports after a plain value "V" once unbound: its
    // last set value while not writable (a label), or, while writable, the
    // return value a setter would have left (none here) or the value itself.
    QTest::addColumn<QString>("reported");

    QTest::newRow("label, never made writable") << "Vistag" << QVariant() << "V";
    QTest::newRow("label made writable before") << "Vistag" << QVariant(true) << "";
    QTest::newRow("no library, writable from the start") << "" << QVariant() << "V";
    QTest::newRow("no library, made read-only before") << "" << QVariant(false) << "";
}

// The widget-ID field binds at every keystroke: "t" binds widget t, "t." no
// widget, "t.x" widget t.x. Widget t's component must come out as it went in.
void tst_Webquery::unboundComponentGetsItsRolesBack()
{
    QFETCH(QString, library);
    QFETCH(QVariant, writableBefore);
    QFETCH(QString, reported);
    const QVariantMap components { { "0", QVariantMap { { "name", "c" }, { "libName", library } } } };
    writeJson(QStringLiteral("standart_widgets/t.sw"), { { "components", components } });
    writeJson(QStringLiteral("standart_widgets/t.x.sw"), { { "components", components } });
    startWindow({ { "component", "c" }, { "items", QVariantMap { { "0", item("V", m_server->url("/v")) } } } });
    auto* t = qobject_cast<XWidgetStandart*>(XWidgetsPanel->getXWidgetByID(QStringLiteral("t")));
    auto* tx = qobject_cast<XWidgetStandart*>(XWidgetsPanel->getXWidgetByID(QStringLiteral("t.x")));
    QVERIFY(t && tx);
    XWidgetStandartComponent* component = t->component(QStringLiteral("c"));
    QVERIFY(component && component->object && !component->setter());
    if (writableBefore.isValid())
        component->setWritable(writableBefore.toBool());

    auto* idEdit = moduleTab()->findChild<QLineEdit*>();
    idEdit->setFocus();
    QTest::keyClick(idEdit, Qt::Key_T);
    QCOMPARE(component->setter(), moduleObject());
    QTest::keyClicks(idEdit, QStringLiteral(".x"));
    QCOMPARE(idEdit->text(), QStringLiteral("t.x"));
    QCOMPARE(tx->component(QStringLiteral("c"))->setter(), moduleObject());

    QVERIFY(!component->setter());
    enter(component, QStringLiteral("V"));
    QCOMPARE(component->getValue().toString(), reported);
    // The module works on t.x's component now.
    enter(tx->component(QStringLiteral("c")), QStringLiteral("V"));
    QTRY_COMPARE(m_server->paths, QStringList { "/v" });
}

void tst_Webquery::removedModuleGivesRolesBack()
{
    startWindow({ { "xwidget", WIDGET_ID }, { "component", "level" } });
    XWidgetStandartComponent* level = hostComponent(QStringLiteral("level"));
    QVERIFY(level);
    QPointer<QObject> module = moduleObject();
    QCOMPARE(level->setter(), module.data());

    delete XModulesList.first();
    QTRY_VERIFY(module.isNull());
    QVERIFY(!level->setter());
}

void tst_Webquery::onlyHttpRequestsSent_data()
{
    QTest::addColumn<QString>("request");

    QTest::newRow("a local file") << QUrl::fromLocalFile(TestAppFolder::ownFilePath("secret.txt")).toString();
    QTest::newRow("a file URL in capitals") << QStringLiteral("FILE://")
            + TestAppFolder::ownFilePath("secret.txt");
    QTest::newRow("inline data") << QStringLiteral("data:text/plain,secret");
    QTest::newRow("a resource of the program") << QStringLiteral("qrc:/secret");
    QTest::newRow("no scheme") << QStringLiteral("secret.txt");
}

void tst_Webquery::onlyHttpRequestsSent()
{
    QFETCH(QString, request);
    TestAppFolder::writeOwnFile(QStringLiteral("secret.txt"), "secret");
    m_server->bodies.insert(QStringLiteral("/open"), "opened");
    startWindow({ { "xwidget", WIDGET_ID }, { "component", "level" },
        { "items",
            QVariantMap { { "0", item("local", request) }, { "1", item("open", m_server->url("/open")) } } } });
    XWidgetStandartComponent* level = hostComponent(QStringLiteral("level"));
    QVERIFY(level);
    auto* answerBox = moduleTab()->findChild<QPlainTextEdit*>();

    enter(level, QStringLiteral("local"));
    QCOMPARE(journalEntries(QStringLiteral("Request <local> refused: only http and https URLs are sent")),
        QStringList { QStringLiteral("[3] %1").arg(QLatin1String(MODULE_NAME)) });
    // Not acknowledged either.
    QVERIFY(!level->lastSetValue().isValid());

    // The next request is the first and only one that finishes.
    enter(level, QStringLiteral("open"));
    QTRY_COMPARE(answerBox->toPlainText(), QStringLiteral("opened"));
    QCOMPARE(journalEntries(QStringLiteral("Request <local>")).size(), 1);
    QCOMPARE(m_server->paths, QStringList { "/open" });
}

void tst_Webquery::startReading(const QString& readUrl, int deadlineMs)
{
    m_server->bodies.insert(QStringLiteral("/open"), "opened");
    startWindow({ { "xwidget", WIDGET_ID }, { "component", "level" }, { "setAnswerToComponent", true },
        { "items",
            QVariantMap { { "0", item("read", readUrl) }, { "1", item("open", m_server->url("/open")) },
                { "2", item("hang", m_server->url("/hang")) } } } });
    if (deadlineMs > 0)
        QVERIFY(moduleObject()->setProperty("requestDeadline", deadlineMs));
}

void tst_Webquery::failedRequestWritesNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("deadlineMs");
    QTest::addColumn<QString>("journalled");

    const QString tooLarge
        = QStringLiteral("Request <read> aborted: the answer is larger than %1 bytes").arg(ANSWER_LIMIT);
    QTest::newRow("a body over the limit") << "/large" << 0 << tooLarge;
    QTest::newRow("a gzip body that inflates beyond the limit") << "/bomb" << 0 << tooLarge;
    QTest::newRow("a server that never answers")
        << "/hang" << 300 << "Request <read> aborted: no answer within 0.3 s";
    QTest::newRow("a server that answers too slowly")
        << "/drip" << 300 << "Request <read> aborted: no answer within 0.3 s";
    QTest::newRow("a reset connection") << "/reset" << 0 << "Request <read> failed: ";
    QTest::newRow("a refused connection") << QString() << 0 << "Request <read> failed: ";
    QTest::newRow("a chunk size that is no number") << "/broken-chunks" << 0 << "Request <read> failed: ";
    QTest::newRow("100,000 header lines") << "/many-headers" << 0 << "Request <read> failed: ";
    QTest::newRow("header lines without end")
        << "/endless-headers" << 300 << "Request <read> aborted: no answer within 0.3 s";
}

void tst_Webquery::failedRequestWritesNothing()
{
    QFETCH(QString, path);
    QFETCH(int, deadlineMs);
    QFETCH(QString, journalled);
    m_server->raw.insert(
        QStringLiteral("/large"), httpAnswer("200 OK", QByteArray(), QByteArray(ANSWER_LIMIT + 1, 'a')));
    const QByteArray bomb = gzip(QByteArray(16 * ANSWER_LIMIT, 'a'));
    QVERIFY(!bomb.isEmpty());
    m_server->raw.insert(QStringLiteral("/bomb"), httpAnswer("200 OK", "Content-Encoding: gzip\r\n", bomb));
    // What came before the bad chunk size must not pass for the answer.
    m_server->raw.insert(QStringLiteral("/broken-chunks"),
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\nzz-not-hex\r\nfghij\r\n0\r\n\r\n");
    QByteArray headers;
    for (int i = 0; i < 100000; ++i)
        headers += "X-Filler-" + QByteArray::number(i) + ": filler\r\n";
    m_server->raw.insert(QStringLiteral("/many-headers"), httpAnswer("200 OK", headers, "header end reached"));
    const QString url
        = path.isEmpty() ? QStringLiteral("http://127.0.0.1:%1/").arg(freeServerPort()) : m_server->url(path);
    startReading(url, deadlineMs);
    XWidgetStandartComponent* level = hostComponent(QStringLiteral("level"));
    QVERIFY(level);

    const LoopGapMeter loop;
    enter(level, QStringLiteral("read"));
    QTRY_COMPARE(
        journalEntries(journalled), QStringList { QStringLiteral("[3] %1").arg(QLatin1String(MODULE_NAME)) });
    QVERIFY(!level->lastSetValue().isValid());
    // Whatever the server sends is taken in beside the window, not in it.
    QVERIFY2(loop.longestGapMs() < MAX_LOOP_GAP_MS, qPrintable(QString::number(loop.longestGapMs())));
    QVERIFY(moduleTab()->findChild<QPlainTextEdit*>()->toPlainText().isEmpty());

    // An error page is an answer like any other.
    m_server->raw.insert(QStringLiteral("/open"), httpAnswer("404 Not Found", QByteArray(), "no such tank"));
    enter(level, QStringLiteral("open"));
    QTRY_COMPARE(level->lastSetValue(), QVariant(QStringLiteral("no such tank")));
}

// A server that takes requests and never answers holds the connections the
// module opens to it. A request's deadline counts from when it is made: one
// that waits behind them for a connection ends unsent when its own time is
// up; once they are over, the next request gets through.
void tst_Webquery::hungRequestsFreeTheirConnections()
{
    startReading(m_server->url("/read"), 2000);
    XWidgetStandartComponent* level = hostComponent(QStringLiteral("level"));
    QVERIFY(level);
    for (int i = 0; i < CONNECTIONS_PER_SERVER; ++i)
        enter(level, QStringLiteral("hang"));
    QTRY_COMPARE(m_server->paths.size(), CONNECTIONS_PER_SERVER);

    QVERIFY(moduleObject()->setProperty("requestDeadline", 300));
    enter(level, QStringLiteral("open"));
    QTRY_COMPARE(journalEntries(QStringLiteral("Request <open> aborted: no answer within 0.3 s")).size(), 1);
    QTRY_COMPARE(journalEntries(QStringLiteral("Request <hang> aborted: no answer within 2 s")).size(),
        CONNECTIONS_PER_SERVER);
    QCOMPARE(m_server->paths.size(), CONNECTIONS_PER_SERVER);
    QVERIFY(!m_server->paths.contains(QStringLiteral("/open")));
    QVERIFY(!level->lastSetValue().isValid());

    enter(level, QStringLiteral("open"));
    QTRY_COMPARE(level->lastSetValue(), QVariant(QStringLiteral("opened")));
}

void tst_Webquery::otherServerAnswersBesideAMisbehavingOne_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("deadlineMs");
    // Waited for before the other server is asked.
    QTest::addColumn<QString>("journalledFirst");

    QTest::newRow("70 requests to a server that never answers") << "/hang" << 70 << 0 << QString();
    QTest::newRow("header lines without end, past the deadline")
        << "/endless-headers" << 1 << 300 << "Request <bad> aborted: no answer within 0.3 s";
}

// Waiting is counted per server: a server that misbehaves costs its own
// requests, never those to another, and the program still ends at once.
void tst_Webquery::otherServerAnswersBesideAMisbehavingOne()
{
    QFETCH(QString, path);
    QFETCH(int, requests);
    QFETCH(int, deadlineMs);
    QFETCH(QString, journalledFirst);
    AnswerServer other;
    other.bodies.insert(QStringLiteral("/open"), "opened elsewhere");
    startWindow({ { "xwidget", WIDGET_ID }, { "component", "level" }, { "setAnswerToComponent", true },
        { "items",
            QVariantMap { { "0", item("bad", m_server->url(path)) }, { "1", item("other", other.url("/open")) } } } });
    if (deadlineMs > 0)
        QVERIFY(moduleObject()->setProperty("requestDeadline", deadlineMs));
    XWidgetStandartComponent* level = hostComponent(QStringLiteral("level"));
    QVERIFY(level);

    for (int i = 0; i < requests; ++i)
        enter(level, QStringLiteral("bad"));
    QTRY_COMPARE(m_server->paths.size(), qMin(requests, CONNECTIONS_PER_SERVER));
    if (!journalledFirst.isEmpty())
        QTRY_COMPARE_WITH_TIMEOUT(journalEntries(journalledFirst).size(), 1, 20000);
    enter(level, QStringLiteral("other"));
    QTRY_COMPARE_WITH_TIMEOUT(
        level->lastSetValue(), QVariant(QStringLiteral("opened elsewhere")), OTHER_SERVER_ANSWER_MS);
    QCOMPARE(journalEntries(QStringLiteral("Request <bad> not sent: 64 requests are waiting already")).size(),
        qMax(0, requests - WAITING_PER_SERVER));
    QVERIFY(m_server->mostOpen() <= CONNECTIONS_PER_SERVER);

    QElapsedTimer exit;
    exit.start();
    m_window.reset();
    QTRY_VERIFY(XModulesList.isEmpty());
    QVERIFY2(exit.elapsed() < 3000, qPrintable(QString::number(exit.elapsed())));
}

// The panel is busy while a gzip body that inflates to 1 GiB arrives: what
// the module holds of it stays within its limit all the same.
void tst_Webquery::inflatingAnswerStopsAtTheLimitWhileWindowBusy()
{
    const QByteArray bomb = gzipBomb(1024);
    QVERIFY(!bomb.isEmpty());
    ThreadServer server(httpAnswer("200 OK", "Content-Encoding: gzip\r\n", bomb));
    QVERIFY(server.isListening());
    startReading(server.url("/bomb"));
    XWidgetStandartComponent* level = hostComponent(QStringLiteral("level"));
    QVERIFY(level);

    // The peak is counted from here on.
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    QVERIFY(clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1);
    clearRefs.close();
    const qint64 before = processStatusKiB("VmRSS:");
    QVERIFY(before > 0);

    enter(level, QStringLiteral("read"));
    QElapsedTimer busy;
    busy.start();
    while (!server.isDone() && busy.elapsed() < 5000)
        QThread::msleep(10);
    QTRY_COMPARE(journalEntries(QStringLiteral("Request <read> aborted: the answer is larger than %1 bytes")
                                    .arg(ANSWER_LIMIT))
                     .size(),
        1);
    const qint64 grown = processStatusKiB("VmHWM:") - before;
    QVERIFY2(grown < 150 * 1024, qPrintable(QStringLiteral("%1 KiB").arg(grown)));
    QVERIFY(!level->lastSetValue().isValid());
}

void tst_Webquery::valuesBeyondTheBoundNotSent()
{
    const int values = 1000;
    const int bound = WAITING_PER_SERVER;
    startReading(m_server->url("/read"));
    XWidgetStandartComponent* level = hostComponent(QStringLiteral("level"));
    QVERIFY(level);
    XModuleBase* module = XModulesList.first()->moduleObject;
    QVERIFY(module && module->journal);
    int notSent = 0;
    connect(module->journal, &JournalExchangeItem::addSignal, this, [&notSent](JournalItem* entry) {
        if (entry->level == JournalItem::ITEM_LEVEL_CRITICAL
            && entry->text == QLatin1String("Request <hang> not sent: 64 requests are waiting already"))
            ++notSent;
    });

    for (int i = 0; i < values; ++i)
        enter(level, QStringLiteral("hang"));
    QCOMPARE(notSent, values - bound);
    QTRY_COMPARE(m_server->paths.size(), CONNECTIONS_PER_SERVER);
    QVERIFY(m_server->mostOpen() <= CONNECTIONS_PER_SERVER);
}

// Requests still waiting when the program quits are dropped, and those on a
// connection are stopped.
void tst_Webquery::quitStopsEveryRequest()
{
    startReading(m_server->url("/read"));
    XWidgetStandartComponent* level = hostComponent(QStringLiteral("level"));
    QVERIFY(level);
    for (int i = 0; i < 10; ++i)
        enter(level, QStringLiteral("hang"));
    QTRY_COMPARE(m_server->openConnections(), 6);
    QTRY_COMPARE(m_server->paths.size(), 6);

    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCOMPARE(qApp->exec(), 0);
    QTRY_COMPARE(m_server->openConnections(), 0);
    QCOMPARE(m_server->paths.size(), 6);
    QVERIFY(journalEntries(QStringLiteral("Request <hang>")).isEmpty());
}

// A program started from the panel inherits none of the module's
// descriptors: neither its connections nor what its transfers wait on.
void tst_Webquery::descriptorsCloseOnExec()
{
    // Those this process was given are not the module's.
    const QSet<int> before = inheritableDescriptors();
    startReading(m_server->url("/read"));
    XWidgetStandartComponent* level = hostComponent(QStringLiteral("level"));
    QVERIFY(level);
    for (int i = 0; i < CONNECTIONS_PER_SERVER; ++i)
        enter(level, QStringLiteral("hang"));
    QTRY_COMPARE(m_server->paths.size(), CONNECTIONS_PER_SERVER);
    QCOMPARE(inheritableDescriptors() - before, QSet<int>());
}

// The settings dialog rebuilds a widget's components: it hands the old ones
// to deleteLater() and makes new ones from the records. Done here the same way.
void tst_Webquery::rebindsAfterComponentsRebuilt()
{
    startWindow({ { "xwidget", WIDGET_ID }, { "component", "state" },
        { "items", QVariantMap { { "0", item("open", m_server->url("/open")) } } } });
    auto* widget = qobject_cast<XWidgetStandart*>(XWidgetsPanel->getXWidgetByID(QLatin1String(WIDGET_ID)));
    QVERIFY(widget);
    QPointer<XWidgetStandartComponent> old = widget->component(QStringLiteral("state"));
    QCOMPARE(old->setter(), moduleObject());

    for (XWidgetStandartComponent* component : qAsConst(widget->components))
        component->deleteLater();
    widget->components.clear();
    widget->settings->components.first()->name = QStringLiteral("renamed");
    widget->acceptSettings();
    XWidgetStandartComponent* rebuilt = widget->component(QStringLiteral("state"));
    QVERIFY(rebuilt && rebuilt != old);

    QTRY_VERIFY(old.isNull());
    QTRY_COMPARE(rebuilt->setter(), moduleObject());
    enter(rebuilt, QStringLiteral("open"));
    QTRY_COMPARE(m_server->paths, QStringList { "/open" });
    QCOMPARE(rebuilt->lastSetValue().toString(), QStringLiteral("open"));
    QVERIFY(!widget->component(QStringLiteral("renamed"))->setter());
}

void tst_Webquery::columnTitlesShowInFull()
{
    startWindow({});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QWidget* tab = moduleTab();
    QVERIFY(tab);
    auto* table = tab->findChild<QTableView*>();
    QVERIFY(table);
    const QStringList cut = cutColumnTitles(table);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral(", "))));
}

QTEST_MAIN(tst_Webquery)
#include "tst_webquery.moc"
