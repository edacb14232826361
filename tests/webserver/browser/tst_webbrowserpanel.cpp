#include "applicationdata.h"
#include "freeport.h"
#include "headlessbrowser.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "mousedriver.h"
#include "testappfolder.h"
#include "webtestclient.h"
#include "xwidgetbasesettingsdialog.h"
#include "xwidgetcontextmenu.h"
#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetpanel.h"
#include "xwidgetpanelcontextmenu.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponent.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFontInfo>
#include <QFontMetrics>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QRectF>
#include <QSettings>
#include <QStyle>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

namespace {
const char USER_NAME[] = "operator";
const char PASSWORD[] = "demo";
const char HALL[] = "Hall";
const char NEW_GROUP[] = "Control desk";
const char MOVED_WIDGET[] = "counter";
const QSize BROWSER_WINDOW(1000, 800);
const int LISTENING_TIMEOUT_MS = 30000;
const int CONNECT_ATTEMPT_MS = 200;
// What a browser and the panel may differ by in drawing the same text in the
// same face and size: they round glyph advances and line heights a little
// apart. A size off by a pixel shows in the width of these texts.
const double POSITION_TOLERANCE = 1;
const double WIDTH_TOLERANCE = 1.5;
const double HEIGHT_TOLERANCE = 2;

// Signs in through the client's own entry point, waits until the widgets
// named in %3 are built and reports, in the panel's pixels, where each
// group lies on the panel, where each widget lies in its group and, for
// each component, its box and the part of its text that shows, both within
// its widget; and whether the panel area or the page can be scrolled.
const char MEASURE_SCRIPT[] = R"(<script>
(function () {
  var wanted = %3;
  var result = { groups: {}, widgets: {} };
  function box(r, origin) { return [r.left - origin.left, r.top - origin.top, r.width, r.height]; }
  function clip(a, b) {
    var left = Math.max(a.left, b.left), top = Math.max(a.top, b.top);
    var right = Math.min(a.right, b.right), bottom = Math.min(a.bottom, b.bottom);
    return { left: left, top: top, width: Math.max(0, right - left), height: Math.max(0, bottom - top),
      right: Math.max(left, right), bottom: Math.max(top, bottom) };
  }
  webClient.signIn('%1', '%2').then(function (signedIn) {
    result.signedIn = signedIn;
    return waitFor(function () { return wanted.every(widget); }, 10000);
  }).then(function (built) {
    result.built = !!built;
    var panel = document.getElementById('panel').getBoundingClientRect();
    Array.prototype.forEach.call(document.querySelectorAll('.group'), function (g) {
      result.groups[g.dataset.group] = box(g.getBoundingClientRect(), panel);
    });
    wanted.forEach(function (id) {
      var w = widget(id);
      if (!w) return;
      var group = w.parentElement;
      var origin = w.getBoundingClientRect();
      var components = Array.prototype.map.call(w.querySelectorAll('.component'), function (c) {
        var own = c.getBoundingClientRect();
        var text = c.firstElementChild;
        var range = document.createRange();
        range.selectNodeContents(text);
        var shown = clip(clip(range.getBoundingClientRect(), text.getBoundingClientRect()), own);
        return { box: box(own, origin), text: text.textContent, shown: box(shown, origin) };
      });
      result.widgets[id] = { group: group.dataset.group, box: box(origin, group.getBoundingClientRect()),
        components: components };
    });
    var area = document.getElementById('panel-area');
    var page = document.documentElement;
    result.extents = { area: [area.scrollWidth, area.clientWidth, area.scrollHeight, area.clientHeight],
      page: [page.scrollWidth, page.clientWidth, page.scrollHeight, page.clientHeight] };
  }).catch(function (error) {
    result.error = String(error);
  }).then(function () {
    report(result);
  });
})();
</script>
)";

// The browser's generic faces set to those that the panel's font matching
// gives for Qt's generic names, as a browser on the panel's machine would
// have them: the texts can then be compared in size.
QJsonObject panelFaces()
{
    const auto face = [](const char* family) {
        return QJsonObject { { "Zyyy", QFontInfo(QFont(QLatin1String(family))).family() } };
    };
    const QJsonObject fonts { { "sansserif", face("Sans Serif") }, { "serif", face("Serif") },
        { "fixed", face("Monospace") } };
    return { { "webkit", QJsonObject { { "webprefs", QJsonObject { { "fonts", fonts } } } } } };
}

QString ownPath(const QString& relative)
{
    return TestAppFolder::ownFilePath(relative);
}

QRectF rectOf(const QJsonValue& value)
{
    const QJsonArray box = value.toArray();
    return QRectF(box.at(0).toDouble(), box.at(1).toDouble(), box.at(2).toDouble(), box.at(3).toDouble());
}

QString describe(const QRectF& r)
{
    return QStringLiteral("(%1, %2, %3 x %4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// The part of a label's text that the panel shows, in its widget's
// coordinates: the text as the label lays it out, cut to the label and to
// the component that holds it.
QRectF shownText(const QLabel* label, const QWidget* component, const QWidget* widget)
{
    const QFontMetrics metrics(label->font());
    const QRect laidOut = QStyle::alignedRect(label->layoutDirection(), label->alignment(),
        QSize(metrics.horizontalAdvance(label->text()), metrics.height()), label->contentsRect());
    const QPoint labelOrigin = label->mapTo(widget, QPoint());
    const QRect inComponent(component->mapTo(widget, QPoint()), component->size());
    return QRectF(laidOut.translated(labelOrigin) & QRect(labelOrigin, label->size()) & inComponent);
}

bool near(const QRectF& shown, const QRectF& panel)
{
    return qAbs(shown.x() - panel.x()) <= POSITION_TOLERANCE && qAbs(shown.y() - panel.y()) <= POSITION_TOLERANCE
        && qAbs(shown.width() - panel.width()) <= WIDTH_TOLERANCE
        && qAbs(shown.height() - panel.height()) <= HEIGHT_TOLERANCE;
}

// A standard widget of Vistag labels, one for each text, all in one font,
// stacked by the automatic vertical layout.
QByteArray labelsWidgetFile(const QString& id, const QString& group, QPoint position, QSize size,
    const QString& font, const QStringList& texts)
{
    QVariantMap components;
    for (int i = 0; i < texts.size(); ++i) {
        const QVariantMap shown { { "condition", 3 }, { "value", "" }, { "text", texts.at(i) },
            { "color", "#1f6feb" } };
        components.insert(QString::number(i),
            QVariantMap { { "name", QStringLiteral("label%1").arg(i) }, { "libName", "Vistag" },
                { "connectToComponent", "" },
                { "libSettings", QVariantMap { { "font", font }, { "items", QVariantMap { { "0", shown } } } } },
                { "position", QVariantList { "0", "0" } }, { "size", QVariantList { "0", "0" } } });
    }
    const QVariantMap record { { "base",
                                   QVariantMap { { "id", id }, { "group", group },
                                       { "position",
                                           QVariantList { QString::number(position.x()),
                                               QString::number(position.y()) } },
                                       { "size",
                                           QVariantList { QString::number(size.width()),
                                               QString::number(size.height()) } },
                                       { "userSize", true } } },
        { "name", id }, { "setNameOnComponent", "" }, { "transparent", false }, { "scriptName", "" },
        { "scriptParameters", QVariantMap() }, { "layout", 0 }, { "components", components } };
    return QJsonDocument(QJsonObject::fromVariantMap(record)).toJson();
}

struct FontCase
{
    const char* name;
    const char* font;
    QSize widgetSize;
};

// The demo's counter holds its label and one more in 220 x 50: the texts do
// not fit and are cut, on the panel as in the browser.
const FontCase FONT_CASES[] = {
    { "points, squeezed as in the demo's counter", "DejaVu Sans,14,-1,5,75,0,0,0,0,0", QSize(220, 50) },
    { "points, room to spare", "DejaVu Sans,14,-1,5,75,0,0,0,0,0", QSize(260, 120) },
    { "pixels", "DejaVu Sans,-1,20,5,50,0,0,0,0,0", QSize(260, 120) },
    { "Qt's sans serif", "Sans Serif,9,-1,5,50,0,0,0,0,0", QSize(260, 120) },
    { "Qt's serif", "Serif,12,-1,5,50,0,0,0,0,0", QSize(260, 120) },
    { "Qt's monospace", "Monospace,12,-1,5,50,0,0,0,0,0", QSize(260, 120) },
};
const QStringList FONT_CASE_TEXTS { "Clicked 4 times", "Hello operator" };
}

// The program's panel in this process and the browser client in Chromium
// beside it: what the operator arranges on the panel is what the browser
// shows, at the panel's places and sizes.
class tst_WebBrowserPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void componentBoxes_data();
    void componentBoxes();
    void widgetMovedIntoNewGroup();

private:
    bool prepareFolder(const QVariantMap& access);
    bool startWindow();
    QJsonObject showInBrowser(const QStringList& widgets, const QString& screenshot = QString());
    QJsonObject groupsAnswer();
    static QString outputPath(const QString& name);

    std::unique_ptr<ApplicationData> m_applicationData;
    std::unique_ptr<MainWindow> m_window;
    quint16 m_port = 0;
    QJsonObject m_boxes;
};

void tst_WebBrowserPanel::initTestCase()
{
    if (!HeadlessBrowser::installed())
        QSKIP("chromium is not installed");
    m_applicationData = std::make_unique<ApplicationData>();
    QCoreApplication::setApplicationName(m_applicationData->applicationName());
}

void tst_WebBrowserPanel::cleanupTestCase()
{
    m_window.reset();
    m_applicationData.reset();
    TestAppFolder::cleanOwnFolder();
}

QString tst_WebBrowserPanel::outputPath(const QString& name)
{
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/output");
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + name;
}

// The program's own folder: fresh state files, the staged libraries, a copy
// of the staged client (the test adds its page to it), the web server on a
// free port and the demo's user with the given access.
bool tst_WebBrowserPanel::prepareFolder(const QVariantMap& access)
{
    m_window.reset();
    TestAppFolder::cleanOwnFolder();
    QDir web(ownPath(QStringLiteral("web")));
    if (QFileInfo(web.path()).isSymLink())
        QFile::remove(web.path());
    else
        web.removeRecursively();
    const QString stagedWeb = TestAppFolder::stageDir() + QStringLiteral("/web");
    QDirIterator files(stagedWeb, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        TestAppFolder::writeOwnFile(QStringLiteral("web/") + QDir(stagedWeb).relativeFilePath(file),
            [&] {
                QFile in(file);
                return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
            }());
    }
    TestAppFolder::linkStagedFolders();


    if ((m_port = freeServerPort()) == 0)
        return false;
    QSettings settings(ownPath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("web_server"));
    settings.setValue(QStringLiteral("enabled"), true);
    settings.setValue(QStringLiteral("port"), m_port);
    settings.setValue(QStringLiteral("delay"), 0);
    settings.endGroup();
    settings.sync();
    const QVariantMap user { { "userName", USER_NAME }, { "password", PASSWORD }, { "fullName", "Demo Operator" },
        { "access", access } };
    TestAppFolder::writeOwnFile(
        QStringLiteral("users"), QJsonDocument(QJsonObject::fromVariantMap({ { "1", user } })).toJson());
    return settings.status() == QSettings::NoError;
}

bool tst_WebBrowserPanel::startWindow()
{
    m_window = std::make_unique<MainWindow>(m_applicationData.get());
    m_window->resize(BROWSER_WINDOW + QSize(0, 100));
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        return false;
    return QTest::qWaitFor(
        [this] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_port);
            return probe.waitForConnected(CONNECT_ATTEMPT_MS);
        },
        LISTENING_TIMEOUT_MS);
}

QJsonObject tst_WebBrowserPanel::showInBrowser(const QStringList& widgets, const QString& screenshot)
{
    QByteArray page = TestAppFolder::readOwnFile(QStringLiteral("web/index.html"));
    if (!page.contains("</body>"))
        return { { "error", "no page" } };
    // The script takes the widgets' IDs as a JSON list.
    const QByteArray ids = QJsonDocument(QJsonArray::fromStringList(widgets)).toJson(QJsonDocument::Compact);
    const QByteArray script = QByteArray(MEASURE_SCRIPT).replace("%1", USER_NAME).replace("%2", PASSWORD).replace(
        "%3", ids);
    page.replace("</body>", HeadlessBrowser::PAGE_HELPERS + script + "</body>");
    TestAppFolder::writeOwnFile(QStringLiteral("web/shown.html"), page);
    const QString url = QStringLiteral("http://127.0.0.1:%1/shown.html").arg(m_port);
    if (!screenshot.isEmpty()) {
        const HeadlessBrowser::Page picture = HeadlessBrowser::open(url, BROWSER_WINDOW, screenshot, panelFaces());
        if (!picture.finished || !QFile::exists(screenshot))
            return { { "error", QString::fromUtf8("no screenshot: " + picture.errors.right(2000)) } };
    }
    return HeadlessBrowser::result(HeadlessBrowser::open(url, BROWSER_WINDOW, QString(), panelFaces()));
}

QJsonObject tst_WebBrowserPanel::groupsAnswer()
{
    const WebTest::Answer answer = WebTest::exchange(m_port,
        { WebTest::postRequest(USER_NAME, QByteArray(R"({"password":")") + PASSWORD + R"(","GROUPS":1})") });
    return QJsonDocument::fromJson(WebTest::parse(answer.bytes).body).object().value("GROUPS").toObject();
}

void tst_WebBrowserPanel::componentBoxes_data()
{
    QTest::addColumn<QString>("id");
    for (size_t i = 0; i < sizeof(FONT_CASES) / sizeof(FONT_CASES[0]); ++i)
        QTest::newRow(FONT_CASES[i].name) << QStringLiteral("w%1").arg(i);
}

// Each component's box lies where it lies on the panel, and its text shows
// in the panel's face and size: the part of it that shows, cut to the box as
// on the panel, matches the panel's.
void tst_WebBrowserPanel::componentBoxes()
{
    QFETCH(QString, id);
    // One panel and one page for all cases.
    if (m_boxes.isEmpty()) {
        QVERIFY(prepareFolder({ { HALL, 2 } }));
        QSettings settings(ownPath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        XWidgetGroupSettings hall;
        hall.name = QLatin1String(HALL);
        hall.position = QPoint(10, 10);
        hall.size = QSize(860, 420);
        settings.setValue(QStringLiteral("groups/") + hall.name, hall.map());
        settings.sync();
        QStringList ids;
        for (size_t i = 0; i < sizeof(FONT_CASES) / sizeof(FONT_CASES[0]); ++i) {
            const QString widgetId = QStringLiteral("w%1").arg(i);
            const QPoint position(10 + int(i % 3) * 280, 30 + int(i / 3) * 140);
            TestAppFolder::writeOwnFile(QStringLiteral("standart_widgets/%1.sw").arg(widgetId),
                labelsWidgetFile(widgetId, hall.name, position, FONT_CASES[i].widgetSize, FONT_CASES[i].font,
                    FONT_CASE_TEXTS));
            ids << widgetId;
        }
        QVERIFY(startWindow());
        m_boxes = showInBrowser(ids);
        QVERIFY2(!m_boxes.contains("error"), qPrintable(m_boxes.value("error").toString()));
    }
    const QString json = QString::fromUtf8(QJsonDocument(m_boxes).toJson(QJsonDocument::Compact));
    QVERIFY2(m_boxes.value("signedIn").toBool() && m_boxes.value("built").toBool(), qPrintable(json));

    auto* widget = qobject_cast<XWidgetStandart*>(XWidgetsPanel->getXWidgetByID(id));
    QVERIFY(widget);
    const QJsonObject shown = m_boxes.value("widgets").toObject().value(id).toObject();
    const QJsonArray components = shown.value("components").toArray();
    QCOMPARE(components.size(), widget->components.size());
    for (int i = 0; i < components.size(); ++i) {
        XWidgetStandartComponent* component = widget->components.at(i);
        const auto* label = component->findChild<QLabel*>();
        QVERIFY(label);
        const QJsonObject inBrowser = components.at(i).toObject();
        QCOMPARE(inBrowser.value("text").toString(), label->text());
        QCOMPARE(rectOf(inBrowser.value("box")), QRectF(QRect(component->mapTo(widget, QPoint()), component->size())));
        const QRectF panelText = shownText(label, component, widget);
        const QRectF browserText = rectOf(inBrowser.value("shown"));
        QVERIFY2(near(browserText, panelText),
            qPrintable(QStringLiteral("%1: browser shows %2, the panel %3")
                           .arg(label->text(), describe(browserText), describe(panelText))));
    }
    // Everything fits the window: neither the panel area nor the page scrolls.
    const QJsonObject extents = m_boxes.value("extents").toObject();
    for (const QString& part : { QStringLiteral("area"), QStringLiteral("page") }) {
        const QJsonArray extent = extents.value(part).toArray();
        QVERIFY2(extent.size() == 4 && extent.at(0).toInt() <= extent.at(1).toInt()
                && extent.at(2).toInt() <= extent.at(3).toInt(),
            qPrintable(part + QStringLiteral(" scrolls: ") + json));
    }
}

// In the demo, the operator makes a group and puts the counter into it
// through the widget's base settings: the group grows to hold it, on the
// panel, in the groups' answer and in the browser, and keeps that size over a
// restart. The test leaves pictures of the panel and of the page before and
// after the restart in its output folder.
void tst_WebBrowserPanel::widgetMovedIntoNewGroup()
{
    m_window.reset();
    QVERIFY(prepareFolder({ { "Boiler room", 2 }, { NEW_GROUP, 2 } }));
    const QDir demo(QStringLiteral(DEMO_FOLDER));
    QDirIterator files(demo.path(), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        const QString relative = demo.relativeFilePath(file);
        if (relative == QLatin1String("users") || relative == QLatin1String("settings.ini"))
            continue;
        QFile in(file);
        QVERIFY(in.open(QIODevice::ReadOnly));
        TestAppFolder::writeOwnFile(relative, in.readAll());
    }
    {
        // The demo's groups and style beside this test's web server.
        QSettings from(demo.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        QSettings to(ownPath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        for (const QString& key : from.allKeys()) {
            if (!key.startsWith(QLatin1String("web_server/")))
                to.setValue(key, from.value(key));
        }
    }
    QVERIFY(startWindow());

    ModalAnswerer named({ { "QInputDialog", "Make new group", NEW_GROUP } });
    for (QAction* action : XWidgetsPanel->contextMenu->actions()) {
        if (action->text() == QLatin1String("Add the group"))
            action->trigger();
    }
    QVERIFY2(named.failure().isEmpty(), qPrintable(named.failure()));
    XWidgetGroup* group = XWidgetsPanel->getGroupByName(NEW_GROUP);
    QVERIFY(group);
    QCOMPARE(group->geometry(), QRect(0, 0, 50, 50));
    // Beside the demo's group, where the operator drags it.
    const QPoint grip(10, 25);
    MouseDriver::drag(XWidgetsPanel, grip, grip + QPoint(423, 12), Qt::ControlModifier);
    QCOMPARE(group->pos(), QPoint(420, 10));

    XWidget* widget = XWidgetsPanel->getXWidgetByID(MOVED_WIDGET);
    QVERIFY(widget);
    const QRect widgetPlace = widget->geometry();
    ModalAnswerer moved({ { "XWidgetBaseSettingsDialog", "", QString(), [](QWidget* modal) {
        auto* dialog = static_cast<XWidgetBaseSettingsDialog*>(modal);
        dialog->groupCombo->setCurrentIndex(dialog->groupCombo->findText(NEW_GROUP));
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            if (button->text() == QLatin1String("OK"))
                QTest::mouseClick(button, Qt::LeftButton);
        }
    } } });
    widget->contextMenu->actions().at(0)->trigger();
    QVERIFY2(moved.failure().isEmpty(), qPrintable(moved.failure()));
    QCOMPARE(widget->group, group);
    QCOMPARE(widget->geometry(), widgetPlace);
    const QRect grown(QPoint(420, 10), QSize(widgetPlace.right() + 1, widgetPlace.bottom() + 1));
    QCOMPARE(group->geometry(), grown);

    for (const QString& moment : { QStringLiteral("before-restart"), QStringLiteral("after-restart") }) {
        if (moment == QLatin1String("after-restart")) {
            m_window.reset();
            QVERIFY(startWindow());
            group = XWidgetsPanel->getGroupByName(NEW_GROUP);
            QVERIFY(group);
            widget = XWidgetsPanel->getXWidgetByID(MOVED_WIDGET);
            QVERIFY(widget);
            QCOMPARE(widget->group, group);
        }
        QCOMPARE(group->geometry(), grown);
        QCOMPARE(QRect(group->settings->position, group->settings->size), grown);
        const QJsonObject groups = groupsAnswer();
        const QJsonObject answered = groups.value(NEW_GROUP).toObject();
        const QJsonObject place = answered.value("settings").toObject();
        QCOMPARE(QRect(place.value("x").toInt(), place.value("y").toInt(), place.value("width").toInt(),
                     place.value("height").toInt()),
            grown);
        QCOMPARE(answered.value("wlist").toArray(), QJsonArray { MOVED_WIDGET });

        QVERIFY(XWidgetsPanel->grab().save(outputPath(QStringLiteral("panel-%1.png").arg(moment))));
        const QJsonObject result
            = showInBrowser({ MOVED_WIDGET, "boiler" }, outputPath(QStringLiteral("browser-%1.png").arg(moment)));
        const QString json = QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Compact));
        QVERIFY2(result.value("built").toBool(), qPrintable(json));
        QCOMPARE(rectOf(result.value("groups").toObject().value(NEW_GROUP)), QRectF(grown));
        const QJsonObject shown = result.value("widgets").toObject().value(MOVED_WIDGET).toObject();
        QCOMPARE(shown.value("group").toString(), QString::fromLatin1(NEW_GROUP));
        QCOMPARE(rectOf(shown.value("box")), QRectF(widget->geometry()));
        QVERIFY(QRectF(QPointF(), grown.size()).contains(rectOf(shown.value("box"))));
    }
}

QTEST_MAIN(tst_WebBrowserPanel)
#include "tst_webbrowserpanel.moc"
