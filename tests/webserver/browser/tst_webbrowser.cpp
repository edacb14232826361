#include "freeport.h"
#include "headlessbrowser.h"
#include "testappfolder.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPoint>
#include <QProcess>
#include <QSettings>
#include <QSize>
#include <QTcpSocket>
#include <QtTest>

namespace {
// The client refreshes twice a second; a change must show well within this.
const int CHANGE_SHOWN_WITHIN_MS = 3000;
// The program listens once its settings are loaded, a while after it started.
const int LISTENING_TIMEOUT_MS = 30000;
const int CONNECT_ATTEMPT_MS = 200;

const char USER_NAME[] = "ann";
const char PASSWORD[] = "pw%1";
const char OPEN_GROUP[] = "Hall";
const char CLOSED_GROUP[] = "Vault";
const char LABEL_WIDGET[] = "label";
const char HIDDEN_WIDGET[] = "hidden";
// A quote of either kind, a backslash and markup that would run if the client
// ever inserted a text as HTML.
const char TRICKY_TEXT[] = "Tom's \"bar\" \\ <script>window.injected=1</script>"
                           "<img src=x onerror=\"window.injected=2\">";

// Signs in through the client's own entry point and reports what it drew.
const char PAGE_SCRIPT[] = R"(<script>
(function () {
  var result = {};
  function label() { var w = widget('label'); return w ? w.querySelector('.component > *') : null; }
  webClient.signIn('%1', '%2').then(function (signedIn) {
    result.signedIn = signedIn;
    result.groups = Array.prototype.map.call(document.querySelectorAll('.group'), function (g) {
      var title = g.querySelector('.group-title');
      return (title ? title.textContent : '') + '|' + g.style.left + ',' + g.style.top + ',' + g.style.width + ',' + g.style.height;
    });
    return waitFor(label, 5000);
  }).then(function (shown) {
    result.hiddenShown = !!widget('hidden');
    result.text = shown.textContent;
    result.color = getComputedStyle(shown).color;
    result.childElements = shown.getElementsByTagName('*').length;
    result.injected = window.injected === undefined ? 'no' : String(window.injected);
    var clickedAt = Date.now();
    widget('label').click();
    return waitFor(function () { return label().textContent === 'Count 1'; }, 10000).then(function (changed) {
      result.changed = !!changed;
      result.changeMs = Date.now() - clickedAt;
      result.textAfter = label().textContent;
      result.colorAfter = getComputedStyle(label()).color;
    });
  }).catch(function (error) {
    result.error = String(error);
  }).then(function () {
    report(result);
  });
})();
</script>
)";

// Signs in, lets the page settle, then watches the whole document through
// four exchanges whose answers repeat the last, a click whose answer changes
// the label, and three more repeating exchanges. An exchange is over when the
// client starts the next one: it never has two in flight.
const char REPEAT_SCRIPT[] = R"(<script>
(function () {
  var result = {};
  var exchanges = 0;
  var realFetch = window.fetch;
  window.fetch = function (url, options) {
    if (options && typeof options.body === 'string' && options.body.indexOf('"WIDGETS"') >= 0)
      exchanges++;
    return realFetch.apply(this, arguments);
  };
  function label() { var w = widget('label'); return w ? w.querySelector('.component > *') : null; }
  function exchangesPast(count) {
    var from = exchanges;
    return waitFor(function () { return exchanges >= from + count + 1; }, 20000);
  }
  function describe(record) {
    var node = record.target.nodeType === Node.ELEMENT_NODE ? record.target : record.target.parentElement;
    return record.type + (record.attributeName ? ':' + record.attributeName : '') + ' on '
      + (node ? node.tagName.toLowerCase() + (node.className ? '.' + node.className : '') : '?');
  }
  var records = [];
  var observer = new MutationObserver(function (list) { records = records.concat(list); });
  function take() {
    var taken = records.concat(observer.takeRecords());
    records = [];
    return taken;
  }
  webClient.signIn('%1', '%2').then(function (signedIn) {
    result.signedIn = signedIn;
    return waitFor(label, 5000);
  }).then(function (shown) {
    result.built = !!shown;
    return exchangesPast(1);
  }).then(function () {
    observer.observe(document, { subtree: true, childList: true, characterData: true, attributes: true });
    return exchangesPast(4);
  }).then(function (repeated) {
    result.repeated = !!repeated;
    result.steady = take().map(describe);
    widget('label').click();
    return waitFor(function () { return label().textContent === 'Count 1'; }, 10000);
  }).then(function (changed) {
    result.changed = !!changed;
    result.colorAfter = getComputedStyle(label()).color;
    result.outsideLabel = take().filter(function (record) { return !label().contains(record.target); }).map(describe);
    return exchangesPast(3);
  }).then(function (repeated) {
    result.repeatedAfter = !!repeated;
    result.steadyAfter = take().map(describe);
    result.textAfter = label().textContent;
  }).catch(function (error) {
    result.error = String(error);
  }).then(function () {
    observer.disconnect();
    report(result);
  });
})();
</script>
)";

QVariantMap groupRecord(const QString& name, QPoint position, QSize size)
{
    return { { "name", name }, { "position", position }, { "size", size }, { "useImage", false },
        { "imageFile", QString() }, { "alignedToTheGrid", true } };
}

// A click counter linked to a Vistag label: each click on the widget shows as
// "Count <n>".
QByteArray standartWidgetFile(const QString& id, const QString& group)
{
    const QVariantMap items { { "0",
                                  QVariantMap { { "condition", 4 }, { "value", "" }, { "text", TRICKY_TEXT },
                                      { "color", "#ff0000" } } },
        { "1",
            QVariantMap { { "condition", 3 }, { "value", "" }, { "text", "Count %%value%%" },
                { "color", "#00aa00" } } } };
    const QVariantMap counter { { "name", "counter" }, { "libName", "ClickCounter" },
        { "connectToComponent", "status" }, { "libSettings", QVariantMap() },
        { "position", QVariantList { "0", "0" } }, { "size", QVariantList { "0", "0" } } };
    const QVariantMap label { { "name", "status" }, { "libName", "Vistag" }, { "connectToComponent", "" },
        { "libSettings", QVariantMap { { "font", "DejaVu Sans,12,-1,5,50,0,0,0,0,0" }, { "items", items } } },
        { "position", QVariantList { "0", "0" } }, { "size", QVariantList { "0", "0" } } };
    const QVariantMap record { { "base",
                                   QVariantMap { { "id", id }, { "group", group },
                                       { "position", QVariantList { "10", "30" } },
                                       { "size", QVariantList { "400", "40" } }, { "userSize", true } } },
        { "name", id }, { "setNameOnComponent", "" }, { "transparent", false }, { "scriptName", "" },
        { "scriptParameters", QVariantMap() }, { "layout", 0 },
        { "components", QVariantMap { { "0", counter }, { "1", label } } } };
    return QJsonDocument(QJsonObject::fromVariantMap(record)).toJson();
}

// A standard widget without components, at the top left of its group as a
// new widget is placed.
QByteArray emptyWidgetFile(const QString& id, const QString& group, QSize size)
{
    const QVariantMap record { { "base",
                                   QVariantMap { { "id", id }, { "group", group },
                                       { "position", QVariantList { "0", "0" } },
                                       { "size", QVariantList { QString::number(size.width()),
                                                     QString::number(size.height()) } },
                                       { "userSize", true } } },
        { "name", id }, { "setNameOnComponent", "" }, { "transparent", false }, { "scriptName", "" },
        { "scriptParameters", QVariantMap() }, { "layout", 0 }, { "components", QVariantMap() } };
    return QJsonDocument(QJsonObject::fromVariantMap(record)).toJson();
}

// An installed program with its web server on a free port, a user and the
// click-counter library, and the client's page with a test script added.
struct BrowserFixture
{
    bool prepare(
        const QMap<QString, QPair<QPoint, QSize>>& groups, const QVariantMap& access, int delayMs = 0)
    {
        if (!folder.install() || (port = freeServerPort()) == 0)
            return false;
        {
            QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
            settings.beginGroup(QStringLiteral("web_server"));
            settings.setValue(QStringLiteral("enabled"), true);
            settings.setValue(QStringLiteral("port"), port);
            settings.setValue(QStringLiteral("delay"), delayMs);
            settings.endGroup();
            settings.beginGroup(QStringLiteral("groups"));
            for (auto it = groups.cbegin(); it != groups.cend(); ++it)
                settings.setValue(it.key(), groupRecord(it.key(), it.value().first, it.value().second));
            settings.endGroup();
        }
        password = QString::fromLatin1(PASSWORD).arg(QStringLiteral("25"));
        const QVariantMap user { { "userName", USER_NAME }, { "password", password }, { "fullName", "Ann" },
            { "access", access } };
        return folder.writeFile(
                   QStringLiteral("users"), QJsonDocument(QJsonObject::fromVariantMap({ { "1", user } })).toJson())
            && QFile::copy(QStringLiteral(CLICK_COUNTER_LIBRARY),
                folder.filePath(QStringLiteral("widgets_components_lib/ClickCounter.so")));
    }

    // Runs the page with the script (its %1 the user name, %2 the password)
    // and returns the JSON object that the script reports.
    QJsonObject run(const QString& script, QSize windowSize = QSize(800, 600))
    {
        QByteArray page = folder.readFile(QStringLiteral("web/index.html"));
        if (!page.contains("</body>"))
            return { { "error", "no page" } };
        page.replace("</body>",
            HeadlessBrowser::PAGE_HELPERS + script.arg(QLatin1String(USER_NAME), password).toUtf8() + "</body>");
        if (!folder.writeFile(QStringLiteral("web/browsertest.html"), page))
            return { { "error", "page not written" } };

        QScopedPointer<QProcess> program(folder.start());
        if (program->state() != QProcess::Running)
            return { { "error", "program not started" } };
        // A browser that comes too early gets an error page, and dumps nothing.
        const bool listening = QTest::qWaitFor(
            [this] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, port);
                return probe.waitForConnected(CONNECT_ATTEMPT_MS);
            },
            LISTENING_TIMEOUT_MS);
        if (!listening) {
            TestAppFolder::terminate(program.data());
            return { { "error", "program not listening" } };
        }
        const HeadlessBrowser::Page shown
            = HeadlessBrowser::open(QStringLiteral("http://127.0.0.1:%1/browsertest.html").arg(port), windowSize);
        const bool ended = TestAppFolder::terminate(program.data());
        if (shown.finished && !ended)
            return { { "error", "program did not end with 0" } };
        return HeadlessBrowser::result(shown);
    }

    TestAppFolder folder;
    quint16 port = 0;
    QString password;
};

// Signs in, zooms to the given scale and reports, for each group, whether
// scrolling the panel area brings it fully into view; how far the area
// scrolls against the scaled panel; where the widget without components lies
// in its group; how the read-only widget is marked; and how long the
// "kept for this visit only" notice stays.
const char ZOOM_SCRIPT[] = R"(<script>
(function () {
  var result = { groups: {} };
  var scale = %3;
  function sleep(ms) { return new Promise(function (resolve) { setTimeout(resolve, ms); }); }
  function noticeShown() { return !document.getElementById('notice').hidden; }
  webClient.signIn('%1', '%2').then(function (signedIn) {
    result.signedIn = signedIn;
    return waitFor(function () { return widget('label') && widget('watch') && widget('empty'); }, 5000);
  }).then(function (built) {
    result.built = !!built;
    webClient.zoom(scale - 1);
    result.scaleShown = document.getElementById('scale-value').textContent;
    var area = document.getElementById('panel-area');
    var panel = document.getElementById('panel');
    var padding = parseFloat(getComputedStyle(area).paddingTop);
    result.extent = {
      scrollWidth: area.scrollWidth, scrollHeight: area.scrollHeight,
      clientWidth: area.clientWidth, clientHeight: area.clientHeight,
      panelWidth: Math.ceil(panel.offsetWidth * scale) + 2 * padding,
      panelHeight: Math.ceil(panel.offsetHeight * scale) + 2 * padding
    };
    Array.prototype.forEach.call(document.querySelectorAll('.group'), function (g) {
      g.scrollIntoView({ block: 'nearest', inline: 'nearest' });
      var r = g.getBoundingClientRect();
      var a = area.getBoundingClientRect();
      var left = a.left + area.clientLeft, top = a.top + area.clientTop;
      result.groups[g.dataset.group] = r.left >= left - 1 && r.top >= top - 1
        && r.right <= left + area.clientWidth + 1 && r.bottom <= top + area.clientHeight + 1;
    });
    var empty = widget('empty');
    var er = empty.getBoundingClientRect();
    var gr = empty.parentElement.getBoundingClientRect();
    var style = getComputedStyle(empty);
    result.empty = [Math.round((er.left - gr.left) / scale), Math.round((er.top - gr.top) / scale),
      Math.round(er.width / scale), Math.round(er.height / scale)].join(',');
    result.emptyBackground = style.backgroundColor;
    result.emptyBorder = style.borderTopStyle + ' ' + style.borderTopWidth;
    var watch = widget('watch');
    result.readOnly = getComputedStyle(watch).cursor + '|' + watch.title;
    result.writable = getComputedStyle(widget('label')).cursor + '|' + widget('label').title;

    return waitFor(noticeShown, 5000).then(function () {
      result.noticeText = document.getElementById('notice-text').textContent;
      // Several exchanges later the notice is still there.
      return sleep(3000);
    }).then(function () {
      result.noticeAfterExchanges = noticeShown();
      document.getElementById('notice-dismiss').click();
      result.noticeAfterDismiss = noticeShown();
      webClient.zoom(0);
      return waitFor(noticeShown, 5000);
    }).then(function (again) {
      result.noticeAgain = !!again;
      widget('label').click();
      result.noticeAfterClick = noticeShown();
    });
  }).catch(function (error) {
    result.error = String(error);
  }).then(function () {
    report(result);
  });
})();
</script>
)";
}

// Wrong sign-ins from the page's own address fill the server's queue for
// it: the first failure holds the address, four more wait their turn and the
// rest are turned away unchecked, as busy. The client then signs in with the
// right password; every text the sign-in form shows meanwhile is kept.
const char BUSY_SCRIPT[] = R"(<script>
(function () {
  var result = { texts: [] };
  var error = document.getElementById('sign-in-error');
  new MutationObserver(function () {
    var text = error.textContent;
    if (text && result.texts.indexOf(text) < 0)
      result.texts.push(text);
  }).observe(error, { childList: true, characterData: true, subtree: true });
  function guess() {
    return fetch('/%1', { method: 'POST', headers: { 'Content-Type': 'text/plain' },
      body: '{"password":"guess"}', cache: 'no-store' })
      .then(function (response) { return response.status; }, function () { return 0; });
  }
  var guesses = [guess(), guess(), guess(), guess(), guess(), guess()];
  // The first answered is the one turned away: the queue is full by then.
  Promise.race(guesses).then(function () {
    return webClient.signIn('%1', '%2');
  }).then(function (signedIn) {
    result.signedIn = signedIn;
    return Promise.all(guesses);
  }).then(function (statuses) {
    result.guesses = statuses;
  }).catch(function (error) {
    result.error = String(error);
  }).then(function () {
    report(result);
  });
})();
</script>
)";

// The real client in a real browser against the running program.
class tst_WebBrowser : public QObject
{
    Q_OBJECT

private slots:
    void showsPanelAndFollowsValues();
    void repeatedAnswerChangesNothing();
    void panelAtZoom_data();
    void panelAtZoom();
    void signInWaitsOutBusyServer();
};

void tst_WebBrowser::showsPanelAndFollowsValues()
{
    if (!HeadlessBrowser::installed())
        QSKIP("chromium is not installed");

    BrowserFixture fixture;
    QVERIFY(fixture.prepare({ { OPEN_GROUP, { { 20, 30 }, { 450, 120 } } },
                                { CLOSED_GROUP, { { 20, 200 }, { 450, 120 } } } },
        { { OPEN_GROUP, 2 } }));
    QVERIFY(fixture.folder.writeFile(
        QStringLiteral("standart_widgets/label.sw"), standartWidgetFile(LABEL_WIDGET, OPEN_GROUP)));
    QVERIFY(fixture.folder.writeFile(
        QStringLiteral("standart_widgets/hidden.sw"), standartWidgetFile(HIDDEN_WIDGET, CLOSED_GROUP)));

    const QJsonObject result = fixture.run(QString::fromLatin1(PAGE_SCRIPT));
    const QString json = QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Compact));
    QVERIFY2(!result.contains("error"), qPrintable(result.value("error").toString()));

    QVERIFY(result.value("signedIn").toBool());
    QCOMPARE(result.value("groups").toVariant().toStringList(),
        QStringList { QStringLiteral("%1|20px,30px,450px,120px").arg(OPEN_GROUP) });
    QVERIFY(!result.value("hiddenShown").toBool());
    QCOMPARE(result.value("text").toString(), QString::fromUtf8(TRICKY_TEXT));
    QCOMPARE(result.value("color").toString(), QStringLiteral("rgb(255, 0, 0)"));
    QCOMPARE(result.value("childElements").toInt(), 0);
    QCOMPARE(result.value("injected").toString(), QStringLiteral("no"));

    QVERIFY2(result.value("changed").toBool(), qPrintable(json));
    QVERIFY2(result.value("changeMs").toInt() <= CHANGE_SHOWN_WITHIN_MS,
        qPrintable(QString::number(result.value("changeMs").toInt())));
    QCOMPARE(result.value("textAfter").toString(), QStringLiteral("Count 1"));
    QCOMPARE(result.value("colorAfter").toString(), QStringLiteral("rgb(0, 170, 0)"));
}

// An answer that repeats what the page shows leaves the document as it is; a
// changed value still shows at once and touches its label alone.
void tst_WebBrowser::repeatedAnswerChangesNothing()
{
    if (!HeadlessBrowser::installed())
        QSKIP("chromium is not installed");

    BrowserFixture fixture;
    QVERIFY(fixture.prepare({ { OPEN_GROUP, { { 20, 30 }, { 450, 120 } } } }, { { OPEN_GROUP, 2 } }));
    QVERIFY(fixture.folder.writeFile(
        QStringLiteral("standart_widgets/label.sw"), standartWidgetFile(LABEL_WIDGET, OPEN_GROUP)));

    const QJsonObject result = fixture.run(QString::fromLatin1(REPEAT_SCRIPT));
    const QString json = QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Compact));
    QVERIFY2(!result.contains("error"), qPrintable(result.value("error").toString()));
    QVERIFY2(result.value("signedIn").toBool() && result.value("built").toBool(), qPrintable(json));

    QVERIFY2(result.value("repeated").toBool(), qPrintable(json));
    QVERIFY2(result.value("steady").toArray().isEmpty(), qPrintable(json));

    QVERIFY2(result.value("changed").toBool(), qPrintable(json));
    QCOMPARE(result.value("colorAfter").toString(), QStringLiteral("rgb(0, 170, 0)"));
    QVERIFY2(result.value("outsideLabel").toArray().isEmpty(), qPrintable(json));

    QVERIFY2(result.value("repeatedAfter").toBool(), qPrintable(json));
    QVERIFY2(result.value("steadyAfter").toArray().isEmpty(), qPrintable(json));
    QCOMPARE(result.value("textAfter").toString(), QStringLiteral("Count 1"));
}

void tst_WebBrowser::panelAtZoom_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<QString>("shown");
    QTest::newRow("50 %") << 0.5 << QStringLiteral("50%");
    QTest::newRow("100 %") << 1.0 << QStringLiteral("100%");
    QTest::newRow("200 %") << 2.0 << QStringLiteral("200%");
}

// At every zoom the panel area scrolls exactly over the scaled panel, so each
// group can be brought fully into view; the widget without components keeps
// its place and size from the panel; the read-only widget says so; the notice
// about settings stays until dismissed or the user acts again.
void tst_WebBrowser::panelAtZoom()
{
    QFETCH(double, scale);
    QFETCH(QString, shown);
    if (!HeadlessBrowser::installed())
        QSKIP("chromium is not installed");

    const QSize emptySize(80, 50);
    BrowserFixture fixture;
    QVERIFY(fixture.prepare({ { "Hall", { { 20, 30 }, { 450, 120 } } }, { "Yard", { { 20, 200 }, { 450, 120 } } },
                                { "Far", { { 900, 900 }, { 200, 120 } } } },
        { { "Hall", 2 }, { "Yard", 1 }, { "Far", 2 } }));
    QVERIFY(fixture.folder.writeFile(QStringLiteral("standart_widgets/label.sw"), standartWidgetFile("label", "Hall")));
    QVERIFY(fixture.folder.writeFile(QStringLiteral("standart_widgets/watch.sw"), standartWidgetFile("watch", "Yard")));
    QVERIFY(fixture.folder.writeFile(
        QStringLiteral("standart_widgets/empty.sw"), emptyWidgetFile("empty", "Far", emptySize)));

    const QJsonObject result
        = fixture.run(QString::fromLatin1(ZOOM_SCRIPT).arg(QStringLiteral("%1"), QStringLiteral("%2"),
                          QString::number(scale)),
            QSize(1280, 1024));
    const QString json = QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Compact));
    QVERIFY2(!result.contains("error"), qPrintable(result.value("error").toString()));
    QVERIFY2(result.value("signedIn").toBool() && result.value("built").toBool(), qPrintable(json));
    QCOMPARE(result.value("scaleShown").toString(), shown);

    const QJsonObject groups = result.value("groups").toObject();
    QCOMPARE(groups.keys(), QStringList({ "Far", "Hall", "Yard" }));
    for (const QString& group : groups.keys())
        QVERIFY2(groups.value(group).toBool(), qPrintable(group + QStringLiteral(" not reachable: ") + json));

    // The area scrolls as far as the scaled panel reaches, and no further.
    const QJsonObject extent = result.value("extent").toObject();
    const auto expectedScroll = [&](const char* panel, const char* client) {
        return std::max(extent.value(panel).toInt(), extent.value(client).toInt());
    };
    QVERIFY2(qAbs(extent.value("scrollWidth").toInt() - expectedScroll("panelWidth", "clientWidth")) <= 2,
        qPrintable(json));
    QVERIFY2(qAbs(extent.value("scrollHeight").toInt() - expectedScroll("panelHeight", "clientHeight")) <= 2,
        qPrintable(json));

    QCOMPARE(result.value("empty").toString(),
        QStringLiteral("0,0,%1,%2").arg(emptySize.width()).arg(emptySize.height()));
    QCOMPARE(result.value("emptyBackground").toString(), QStringLiteral("rgba(0, 0, 0, 0)"));
    QCOMPARE(result.value("emptyBorder").toString(), QStringLiteral("solid 1px"));

    QCOMPARE(result.value("readOnly").toString(), QStringLiteral("not-allowed|Read only: watch"));
    QCOMPARE(result.value("writable").toString(), QStringLiteral("pointer|"));

    QCOMPARE(result.value("noticeText").toString(), QStringLiteral("Settings are kept for this visit only"));
    QVERIFY2(result.value("noticeAfterExchanges").toBool(), qPrintable(json));
    QVERIFY2(!result.value("noticeAfterDismiss").toBool(), qPrintable(json));
    QVERIFY2(result.value("noticeAgain").toBool(), qPrintable(json));
    QVERIFY2(!result.value("noticeAfterClick").toBool(), qPrintable(json));
}

// A sign-in turned away as busy is no wrong password: the client says the
// server is busy and tries again until it is let in.
void tst_WebBrowser::signInWaitsOutBusyServer()
{
    if (!HeadlessBrowser::installed())
        QSKIP("chromium is not installed");
    BrowserFixture fixture;
    QVERIFY(fixture.prepare({ { OPEN_GROUP, { { 20, 30 }, { 450, 120 } } } }, { { OPEN_GROUP, 2 } }, 1000));

    const QJsonObject result = fixture.run(QString::fromLatin1(BUSY_SCRIPT));
    const QString json = QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Compact));
    QVERIFY2(!result.contains("error"), qPrintable(result.value("error").toString()));
    QVERIFY2(result.value("signedIn").toBool(), qPrintable(json));
    QVERIFY2(result.value("guesses").toVariant().toList().contains(503), qPrintable(json));
    QCOMPARE(result.value("texts").toVariant().toStringList(),
        QStringList { QStringLiteral("The server is busy; signing in again shortly.") });
}

QTEST_MAIN(tst_WebBrowser)
#include "tst_webbrowser.moc"
