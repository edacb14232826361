#include "webpanelfixture.h"
#include "webtestclient.h"

#include <QApplication>
#include <QFont>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QScreen>
#include <QtTest>

namespace {
const QByteArray EMPTY_ANSWER = "{\n}\n";
const char GROUP_G[] = R"("G":{"settings":{"x":10,"y":20,"height":200,"width":300,"bgimg":"pic.png"},)"
                       R"("wlist":["w1"],"writable":false})";
const char GROUP_G_WRITABLE[] = R"("G":{"settings":{"x":10,"y":20,"height":200,"width":300,"bgimg":"pic.png"},)"
                                R"("wlist":["w1"],"writable":true})";
const char GROUP_H[]
    = R"("H":{"settings":{"x":400,"y":20,"height":100,"width":200},"wlist":["w2"],"writable":false})";
const char W1_STATE[] = R"("w1":{"comp":{"0":{"t":"none","c":"#ff0000"}}})";
const char W2_STATE[] = R"("w2":{"comp":{"0":{"t":"none","c":"#ff0000"}}})";

using Access = QMap<QString, UserItem_ACCESS_TYPE>;

// A plain widget that keeps the input of every webMap call.
class CountingWidget : public XWidget
{
public:
    using XWidget::XWidget;

    QVariantMap webMap(QVariantMap map, bool isWritable) override
    {
        inputs.append(map);
        return XWidget::webMap(map, isWritable);
    }

    QVariantList inputs;
};

QJsonObject object(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).object();
}
}

Q_DECLARE_METATYPE(Access)

// The signed-in exchange of panel data through real sockets: who sees which
// group and widget, what a click does, the font, and the stored settings.
class tst_WebExchange : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void exchange_data();
    void exchange();
    void widgetObject_data();
    void widgetObject();
    void groupsFont_data();
    void groupsFont();
    void usersData_data();
    void usersData();
    void answerBuiltOncePerRequest_data();
    void answerBuiltOncePerRequest();

private:
    QByteArray post(const QByteArray& body)
    {
        return WebTest::parse(
            WebTest::exchange(m_server->port(), { WebTest::postRequest("ann", body) }).bytes)
            .body;
    }

    std::unique_ptr<WebTest::Server> m_server;
    std::unique_ptr<WebTest::Panel> m_panel;
    XWidgetStandart* m_w1 = nullptr;
};

void tst_WebExchange::initTestCase()
{
    TestAppFolder::cleanOwnFolder();
    m_server = std::make_unique<WebTest::Server>();
    QVERIFY(m_server->server()->isListening());
}

void tst_WebExchange::init()
{
    m_panel = std::make_unique<WebTest::Panel>();
    m_panel->addGroup(QStringLiteral("G"), { 10, 20 }, { 300, 200 }, true, QStringLiteral("pic.png"));
    // The stored picture does not count while the switch is off.
    m_panel->addGroup(QStringLiteral("H"), { 400, 20 }, { 200, 100 }, false, QStringLiteral("stored.png"));
    m_panel->addGroup(QStringLiteral("K"), { 10, 300 }, { 200, 100 });
    m_w1 = m_panel->addWidget(QStringLiteral("w1"), QStringLiteral("G"));
    m_panel->addWidget(QStringLiteral("w2"), QStringLiteral("H"));
    m_panel->addWidget(QStringLiteral("k1"), QStringLiteral("K"));
    m_panel->addWidget(QStringLiteral("free"), QString());
    QVERIFY(m_w1->group);
}

void tst_WebExchange::cleanup()
{
    m_panel.reset();
}

void tst_WebExchange::exchange_data()
{
    QTest::addColumn<Access>("access");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("clicks");

    const QByteArray clickW1 = R"("WIDGETS":{"w1":{"clicked":true}})";
    QTest::newRow("no access entries")
        << Access() << QByteArray(R"({"password":"pw","GROUPS":1,"WIDGETS":{}})")
        << QByteArray(R"({"GROUPS":{},"WIDGETS":{}})") << 0;
    QTest::newRow("not allowed is no access")
        << Access { { "G", NotAllowed } } << QByteArray(R"({"password":"pw","GROUPS":1,"WIDGETS":{}})")
        << QByteArray(R"({"GROUPS":{},"WIDGETS":{}})") << 0;
    QTest::newRow("read only: seen, click ignored")
        << Access { { "G", ReadOnly } } << R"({"password":"pw","GROUPS":true,)" + clickW1 + "}"
        << "{\"GROUPS\":{" + QByteArray(GROUP_G) + "},\"WIDGETS\":{" + W1_STATE + "}}" << 0;
    QTest::newRow("read and write: clicked")
        << Access { { "G", ReadAndWrite } } << R"({"password":"pw",)" + clickW1 + "}"
        << "{\"WIDGETS\":{" + QByteArray(W1_STATE) + "}}" << 1;
    QTest::newRow("read and write group says so")
        << Access { { "G", ReadAndWrite } } << QByteArray(R"({"password":"pw","GROUPS":true})")
        << "{\"GROUPS\":{" + QByteArray(GROUP_G_WRITABLE) + "}}" << 0;
    QTest::newRow("clicked false does not click")
        << Access { { "G", ReadAndWrite } }
        << QByteArray(R"({"password":"pw","WIDGETS":{"w1":{"clicked":false}}})")
        << "{\"WIDGETS\":{" + QByteArray(W1_STATE) + "}}" << 0;
    QTest::newRow("input for a widget of another group")
        << Access { { "G", ReadOnly }, { "H", ReadAndWrite } } << R"({"password":"pw",)" + clickW1 + "}"
        << "{\"WIDGETS\":{" + QByteArray(W1_STATE) + "," + W2_STATE + "}}" << 0;
    QTest::newRow("bgimg only with the image on")
        << Access { { "G", ReadOnly }, { "H", ReadOnly } } << QByteArray(R"({"password":"pw","GROUPS":{}})")
        << "{\"GROUPS\":{" + QByteArray(GROUP_G) + "," + GROUP_H + "}}" << 0;
    QTest::newRow("only the password")
        << Access { { "G", ReadAndWrite } } << QByteArray(R"({"password":"pw"})") << QByteArray("{}") << 0;
    QTest::newRow("null counts as absent")
        << Access { { "G", ReadAndWrite } } << QByteArray(R"({"password":"pw","GROUPS":null,"WIDGETS":null})")
        << QByteArray("{}") << 0;
}

void tst_WebExchange::exchange()
{
    QFETCH(Access, access);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    QFETCH(int, clicks);

    WebTest::Panel::addUser(QStringLiteral("ann"), QStringLiteral("pw"), access);
    QSignalSpy clicked(m_w1, &XWidgetStandart::clicked);
    const QByteArray body = post(request);
    QCOMPARE(object(body), object(answer));
    QVERIFY2(!object(body).isEmpty() || body == EMPTY_ANSWER, body.constData());
    QCOMPARE(clicked.count(), clicks);
}

void tst_WebExchange::widgetObject_data()
{
    QTest::addColumn<Access>("access");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<bool>("answered");

    QTest::newRow("visible widget, other keys ignored")
        << Access { { "G", ReadOnly } } << QByteArray(R"({"password":"pw","WIDGET_OBJECT":"w1","GROUPS":1})")
        << true;
    QTest::newRow("group not allowed")
        << Access { { "H", ReadOnly } } << QByteArray(R"({"password":"pw","WIDGET_OBJECT":"w1"})") << false;
    QTest::newRow("widget outside every group")
        << Access { { "G", ReadAndWrite } } << QByteArray(R"({"password":"pw","WIDGET_OBJECT":"free"})")
        << false;
    QTest::newRow("no such widget") << Access { { "G", ReadAndWrite } }
                                    << QByteArray(R"({"password":"pw","WIDGET_OBJECT":"nope"})") << false;
}

void tst_WebExchange::widgetObject()
{
    QFETCH(Access, access);
    QFETCH(QByteArray, request);
    QFETCH(bool, answered);

    WebTest::Panel::addUser(QStringLiteral("ann"), QStringLiteral("pw"), access);
    const WebTest::Answer raw = WebTest::exchange(m_server->port(), { WebTest::postRequest("ann", request) });
    QVERIFY(raw.closed);
    if (!answered) {
        QCOMPARE(raw.bytes, QByteArray());
        return;
    }
    const WebTest::HttpAnswer http = WebTest::parse(raw.bytes);
    QCOMPARE(http.headerLines, WebTest::headerLines(200, "text/plain", http.body.size()));
    QCOMPARE(http.body, m_w1->webObject(false).toUtf8());
    QVERIFY(http.body.startsWith("new standartWidget(30, 10, "));
    QVERIFY(http.body.contains("new Vistag("));
}

void tst_WebExchange::groupsFont_data()
{
    QTest::addColumn<QFont>("font");
    QTest::addColumn<QByteArray>("size");

    QFont pixels(QStringLiteral("DejaVu Sans"));
    pixels.setPixelSize(12);
    QFont points(QStringLiteral("DejaVu Sans"));
    points.setPointSize(9);
    QTest::newRow("pixels") << pixels << QByteArray("12px");
    QTest::newRow("points") << points << QByteArray("9pt");
}

void tst_WebExchange::groupsFont()
{
    QFETCH(QFont, font);
    QFETCH(QByteArray, size);

    WebTest::Panel::addUser(QStringLiteral("ann"), QStringLiteral("pw"), {});
    const QFont saved = QApplication::font();
    QApplication::setFont(font);
    const QByteArray body = post(R"({"password":"pw","GROUPS_FONT":1})");
    QApplication::setFont(saved);
    // With the screen's inch, at which the panel draws sizes in points.
    const QByteArray dpi = QByteArray::number(qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchY()));
    QCOMPARE(object(body),
        object("{\"GROUPS_FONT\":{\"dpi\":" + dpi + ",\"family\":\"" + font.family().toUtf8()
            + "\",\"size\":\"" + size + "\"}}"));
}

void tst_WebExchange::usersData_data()
{
    QTest::addColumn<bool>("saveParametersWEB");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QVariantMap>("stored");

    const QVariantMap old { { "scale", 1 } };
    const QVariantMap sent { { "scale", 2 }, { "nested", QVariantMap { { "a", "b" } } } };
    const QByteArray withSettings
        = R"({"password":"pw","USERS_DATA":{"settings":{"scale":2,"nested":{"a":"b"}}}})";
    QTest::newRow("stored when allowed") << true << withSettings << sent;
    QTest::newRow("ignored when not allowed") << false << withSettings << old;
    QTest::newRow("no settings sent") << true << QByteArray(R"({"password":"pw","USERS_DATA":{}})") << old;
    QTest::newRow("settings null") << true
                                   << QByteArray(R"({"password":"pw","USERS_DATA":{"settings":null}})")
                                   << old;
}

void tst_WebExchange::usersData()
{
    QFETCH(bool, saveParametersWEB);
    QFETCH(QByteArray, request);
    QFETCH(QVariantMap, stored);

    UserItem* user
        = WebTest::Panel::addUser(QStringLiteral("ann"), QStringLiteral("pw"), {}, saveParametersWEB);
    user->settings = { { "scale", 1 } };
    const QByteArray body = post(request);
    QCOMPARE(user->settings, stored);
    const QJsonObject expected { { "USERS_DATA",
        QJsonObject { { "settings", QJsonObject::fromVariantMap(stored) }, { "fullName", "ann full" },
            { "post", "post" }, { "phone", "123" }, { "email", "a@b.c" } } } };
    QCOMPARE(object(body), expected);
}

void tst_WebExchange::answerBuiltOncePerRequest_data()
{
    QTest::addColumn<Access>("access");
    QTest::addColumn<QByteArray>("widgets");
    QTest::addColumn<QVariantList>("inputs");

    const QVariantMap click { { "clicked", true } };
    QTest::newRow("no input") << Access { { "G", ReadAndWrite } } << QByteArray("{}")
                              << QVariantList { QVariantMap() };
    QTest::newRow("input for another widget")
        << Access { { "G", ReadAndWrite } } << QByteArray(R"({"w1":{"clicked":true}})")
        << QVariantList { QVariantMap() };
    QTest::newRow("empty input") << Access { { "G", ReadAndWrite } } << QByteArray(R"({"c1":{}})")
                                 << QVariantList { QVariantMap() };
    QTest::newRow("input applied, then answered")
        << Access { { "G", ReadAndWrite } } << QByteArray(R"({"c1":{"clicked":true}})")
        << QVariantList { click, QVariantMap() };
    QTest::newRow("input of a reader dropped")
        << Access { { "G", ReadOnly } } << QByteArray(R"({"c1":{"clicked":true}})")
        << QVariantList { QVariantMap() };
}

void tst_WebExchange::answerBuiltOncePerRequest()
{
    QFETCH(Access, access);
    QFETCH(QByteArray, widgets);
    QFETCH(QVariantList, inputs);

    XWidgetSettings record;
    record.id = QStringLiteral("c1");
    record.group = QStringLiteral("G");
    CountingWidget widget(&record, XWidgetsPanel);
    widget.acceptSettings();
    QCOMPARE(widget.group, m_w1->group);
    WebTest::Panel::addUser(QStringLiteral("ann"), QStringLiteral("pw"), access);

    const QJsonObject answer = object(post(R"({"password":"pw","WIDGETS":)" + widgets + "}"));
    QCOMPARE(widget.inputs, inputs);
    QVERIFY(answer.value(QStringLiteral("WIDGETS")).toObject().contains(QStringLiteral("c1")));
}

QTEST_MAIN(tst_WebExchange)
#include "tst_webexchange.moc"
