#include "appglobals.h"
#include "applicationdata.h"
#include "freeport.h"
#include "headerfit.h"
#include "journalexchangeitem.h"
#include "journalitem.h"
#include "journalmodel.h"
#include "mainwindow.h"
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
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <sys/socket.h>
#include <zlib.h>

#include <memory>

namespace {
const char MODULE_NAME[] = "Requests";
const char WIDGET_ID[] = "tank";
const char HEADER_END[] = "\r\n\r\n";

const int ANSWER_LIMIT = 4 * 1024 * 1024;

// Answers every HTTP GET on 127.0.0.1 with the body set for its path, or
// with the bytes set for it as they stand, and notes the paths in the order
// they came. Paths that begin with "/hang" are never answered, those that
// begin with "/drip" get their answer a byte every few milliseconds, those
// that begin with "/reset" have their connection reset.
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
    void valuesBeyondTheBoundNotSent();
    void quitStopsEveryRequest();
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
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("value");

    QTest::newRow("the answer text") << QByteArray("level 7") << "level 7";
    QTest::newRow("cut at the first zero byte") << QByteArray("level 7\0tail", 12) << "level 7";
    QTest::newRow("UTF-8 text") << QByteArray("F\xc3\xbcllstand") << QString::fromUtf8("F\xc3\xbcllstand");
}

void tst_Webquery::answerReplacesValue()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, value);
    m_server->bodies.insert(QStringLiteral("/read"), body);

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
    auto* network = moduleObject()->findChild<QNetworkAccessManager*>();
    QVERIFY(network);
    QSignalSpy finished(network, &QNetworkAccessManager::finished);
    auto* answerBox = moduleTab()->findChild<QPlainTextEdit*>();

    enter(level, QStringLiteral("local"));
    QCOMPARE(journalEntries(QStringLiteral("Request <local> refused: only http and https URLs are sent")),
        QStringList { QStringLiteral("[3] %1").arg(QLatin1String(MODULE_NAME)) });
    // Not acknowledged either.
    QVERIFY(!level->lastSetValue().isValid());

    // The next request is the first and only one that finishes.
    enter(level, QStringLiteral("open"));
    QTRY_COMPARE(answerBox->toPlainText(), QStringLiteral("opened"));
    QCOMPARE(finished.count(), 1);
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
    const QString url
        = path.isEmpty() ? QStringLiteral("http://127.0.0.1:%1/").arg(freeServerPort()) : m_server->url(path);
    startReading(url, deadlineMs);
    XWidgetStandartComponent* level = hostComponent(QStringLiteral("level"));
    QVERIFY(level);

    enter(level, QStringLiteral("read"));
    QTRY_COMPARE(
        journalEntries(journalled), QStringList { QStringLiteral("[3] %1").arg(QLatin1String(MODULE_NAME)) });
    QVERIFY(!level->lastSetValue().isValid());
    QVERIFY(moduleTab()->findChild<QPlainTextEdit*>()->toPlainText().isEmpty());

    // An error page is an answer like any other.
    m_server->raw.insert(QStringLiteral("/open"), httpAnswer("404 Not Found", QByteArray(), "no such tank"));
    enter(level, QStringLiteral("open"));
    QTRY_COMPARE(level->lastSetValue(), QVariant(QStringLiteral("no such tank")));
}

// A server that takes requests and never answers holds every connection Qt
// opens to it; once the hung requests time out, a request to a path that
// answers gets through.
void tst_Webquery::hungRequestsFreeTheirConnections()
{
    const int deadlineMs = 300;
    startReading(m_server->url("/read"), deadlineMs);
    XWidgetStandartComponent* level = hostComponent(QStringLiteral("level"));
    QVERIFY(level);

    for (int i = 0; i < 7; ++i)
        enter(level, QStringLiteral("hang"));
    enter(level, QStringLiteral("open"));
    QTRY_COMPARE_WITH_TIMEOUT(
        level->lastSetValue(), QVariant(QStringLiteral("opened")), 4 * deadlineMs + 5000);
    QTRY_COMPARE(journalEntries(QStringLiteral("Request <hang> aborted: no answer within 0.3 s")).size(), 7);
}

void tst_Webquery::valuesBeyondTheBoundNotSent()
{
    const int values = 1000;
    const int bound = 64;
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
    auto* network = moduleObject()->findChild<QNetworkAccessManager*>();
    QVERIFY(network);

    for (int i = 0; i < values; ++i)
        enter(level, QStringLiteral("hang"));
    QCOMPARE(notSent, values - bound);
    QVERIFY(network->findChildren<QNetworkReply*>().size() <= bound);
    QTRY_COMPARE(m_server->paths.size(), 6);
    QVERIFY(m_server->mostOpen() <= 6);
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
