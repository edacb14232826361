#include "webpanelfixture.h"
#include "webtestclient.h"

#include "xwidgetlabelpic.h"

#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

namespace {
// What the server answered for these panels before the exchange was made
// cheaper; the browser client relies on every byte of it.
const QString ANSWERS_FOLDER = QStringLiteral(ANSWERS_DIR);
const int LABEL_COMPONENTS = 12;

QVariantMap item(int condition, const QString& value, const QString& text, const QString& color)
{
    return { { "condition", condition }, { "value", value }, { "text", text }, { "color", color } };
}

QVariantMap labelWith(const QList<QVariantMap>& items)
{
    QVariantMap indexed;
    for (int i = 0; i < items.size(); ++i)
        indexed.insert(QString::number(i), items.at(i));
    return { { "font", "DejaVu Sans,10,-1,5,50,0,0,0,0,0" }, { "items", indexed } };
}

// Values put into components before the request: "<widget ID>/<component index>" -> value.
using Values = QVariantMap;
}

// The answers of the widget exchange, byte for byte, over a panel with every
// kind of component: labels that follow their value and static ones, colours
// by name, by short code and unknown, components without a library or whose
// library is missing, more than ten components, and plain widgets with a
// text, a picture and other items in their layout.
class tst_WebAnswers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void answers_data();
    void answers();

private:
    QByteArray post(const QByteArray& request)
    {
        return WebTest::parse(
            WebTest::exchange(m_server->port(), { WebTest::postRequest("ann", request) }).bytes)
            .body;
    }

    static QByteArray fixture(const QString& name)
    {
        QFile file(ANSWERS_FOLDER + QLatin1Char('/') + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing ") + name.toUtf8();
    }

    std::unique_ptr<WebTest::Server> m_server;
    std::unique_ptr<WebTest::Panel> m_panel;
    QList<XWidgetStandart*> m_widgets;
};

void tst_WebAnswers::initTestCase()
{
    TestAppFolder::cleanOwnFolder();
    m_server = std::make_unique<WebTest::Server>();
    QVERIFY(m_server->server()->isListening());
}

void tst_WebAnswers::init()
{
    m_panel = std::make_unique<WebTest::Panel>();
    m_panel->addGroup(QStringLiteral("G"), { 10, 20 }, { 600, 400 }, true, QStringLiteral("pic.png"));
    m_panel->addGroup(QStringLiteral("R"), { 10, 500 }, { 300, 200 });
    m_panel->addGroup(QStringLiteral("Hidden"), { 400, 500 }, { 300, 200 });

    QList<WebTest::Panel::Component> labels {
        { "follows", "Vistag", WebTest::labelSettings() },
        { "no conditions", "Vistag", labelWith({}) },
        { "one fixed text", "Vistag", labelWith({ item(3, "", "fixed", "blue") }) },
        { "value only", "", {} },
        { "library missing", "Missing", {} },
        { "colours", "Vistag",
            labelWith({ item(0, "5", "five %%value%%", "red"), item(1, "10", "big %%value%%", ""),
                item(2, "0", "below %%name%%/%%value%%", "nocolour"),
                item(3, "", "quote \"a\" \\ \u00e9 </b>\n%%value%%", "#ABC") }) },
    };
    while (labels.size() < LABEL_COMPONENTS)
        labels.append({ QStringLiteral("more %1").arg(labels.size()), "Vistag", WebTest::labelSettings() });
    m_widgets = { m_panel->addWidget(QStringLiteral("labels"), QStringLiteral("G"), labels),
        m_panel->addWidget(QStringLiteral("empty"), QStringLiteral("G"), QList<WebTest::Panel::Component>()),
        m_panel->addWidget(QStringLiteral("reader"), QStringLiteral("R")),
        m_panel->addWidget(QStringLiteral("hidden"), QStringLiteral("Hidden")),
        m_panel->addWidget(QStringLiteral("free"), QString()) };

    for (const QString& group : { QStringLiteral("G"), QStringLiteral("R") }) {
        XWidget* plain
            = m_panel->addPlainWidget(QStringLiteral("plain ") + group, group, { 30, 40 }, { 300, 120 });
        plain->mainLayout->addWidget(new QLabel(QStringLiteral("Plain \"text\"")));
        plain->mainLayout->addWidget(new QFrame);
        plain->mainLayout->addSpacing(5);
        auto* picture = new XWidgetLabelPic;
        picture->setPic(QStringLiteral("pic.png"));
        plain->mainLayout->addWidget(picture);
        QVERIFY(plain->group);
    }
}

void tst_WebAnswers::cleanup()
{
    m_widgets.clear();
    m_panel.reset();
}

void tst_WebAnswers::answers_data()
{
    QTest::addColumn<Values>("values");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("clicks");

    QTest::newRow("first poll with the groups")
        << Values() << QByteArray(R"({"password":"pw","GROUPS":1,"WIDGETS":{}})") << "first-poll.json" << 0;
    QTest::newRow("values of every type")
        << Values { { "labels/0", 5 }, { "labels/5", 5 }, { "labels/6", 1.0 / 3 }, { "labels/7", "abc" },
               { "labels/8", true }, { "labels/9", 12.5 }, { "labels/10", -3 }, { "labels/11", QVariant() },
               { "reader/0", 7 } }
        << QByteArray(R"({"password":"pw","WIDGETS":{}})") << "values.json" << 0;
    QTest::newRow("each colour rule")
        << Values { { "labels/5", 12 }, { "labels/6", -1 }, { "labels/7", 7 } }
        << QByteArray(R"({"password":"pw","WIDGETS":{}})") << "colours.json" << 0;
    QTest::newRow("below zero") << Values { { "labels/5", -1 } }
                                << QByteArray(R"({"password":"pw","WIDGETS":{}})") << "below.json" << 0;
    QTest::newRow("input for every kind of widget")
        << Values { { "labels/0", "x" } }
        << QByteArray(R"({"password":"pw","WIDGETS":{"labels":{"clicked":true,"comp":{"0":"in","5":7}},)"
                      R"("reader":{"clicked":true},"plain G":{"clicked":true},"plain R":{"clicked":true},)"
                      R"("hidden":{"clicked":true},"free":{"clicked":true},"nobody":{"clicked":true}}})")
        << "input.json" << 1;
    QTest::newRow("user data, groups and widgets")
        << Values { { "labels/0", 1 } }
        << QByteArray(R"({"password":"pw","USERS_DATA":{},"GROUPS":{},"WIDGETS":{"labels":{}}})")
        << "everything.json" << 0;
}

void tst_WebAnswers::answers()
{
    QFETCH(Values, values);
    QFETCH(QByteArray, request);
    QFETCH(QString, answer);
    QFETCH(int, clicks);

    WebTest::Panel::addUser(QStringLiteral("ann"), QStringLiteral("pw"),
        { { QStringLiteral("G"), ReadAndWrite }, { QStringLiteral("R"), ReadOnly } });
    // A poll before the change: what it leaves behind must not stand in for
    // the state after it.
    QCOMPARE(
        post(R"({"password":"pw","GROUPS":1,"WIDGETS":{}})"), fixture(QStringLiteral("first-poll.json")));
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QString id = it.key().section(QLatin1Char('/'), 0, 0);
        const int index = it.key().section(QLatin1Char('/'), 1).toInt();
        XWidgetStandart* widget = nullptr;
        for (XWidgetStandart* candidate : qAsConst(m_widgets)) {
            if (candidate->id() == id)
                widget = candidate;
        }
        QVERIFY(widget);
        XWidgetStandartComponent* component = widget->components.at(index);
        component->setValue(it.value(), nullptr);
    }
    QSignalSpy clicked(m_widgets.first(), &XWidgetStandart::clicked);

    QCOMPARE(post(request), fixture(answer));
    QCOMPARE(clicked.count(), clicks);
}

QTEST_MAIN(tst_WebAnswers)
#include "tst_webanswers.moc"
