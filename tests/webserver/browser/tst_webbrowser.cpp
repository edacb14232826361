#include "testappfolder.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPoint>
#include <QProcess>
#include <QSettings>
#include <QSize>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextDocumentFragment>
#include <QtTest>

namespace {
const char CHROMIUM[] = "/usr/bin/chromium";
const int BROWSER_TIMEOUT_MS = 90000;
// Virtual time: the page waits in it, so a slow machine does not fail it.
const int VIRTUAL_TIME_BUDGET_MS = 30000;
// The client refreshes twice a second; a change must show well within this.
const int CHANGE_SHOWN_WITHIN_MS = 3000;

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
  function widget(id) { return document.querySelector('[data-widget="' + id + '"]'); }
  function label() { var w = widget('label'); return w ? w.querySelector('.component > *') : null; }
  function waitFor(check, timeoutMs) {
    return new Promise(function (resolve) {
      var start = Date.now();
      (function poll() {
        var value = check();
        if (value || Date.now() - start > timeoutMs) resolve(value); else setTimeout(poll, 50);
      })();
    });
  }
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
    var out = document.createElement('pre');
    out.id = 'test-result';
    out.textContent = JSON.stringify(result);
    document.body.appendChild(out);
  });
})();
</script>
)";

quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

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
}

// The real client in a real browser against the running program.
class tst_WebBrowser : public QObject
{
    Q_OBJECT

private slots:
    void showsPanelAndFollowsValues();
};

void tst_WebBrowser::showsPanelAndFollowsValues()
{
    if (!QFile::exists(QLatin1String(CHROMIUM)))
        QSKIP("chromium is not installed");

    TestAppFolder folder;
    QVERIFY(folder.install());
    const quint16 port = freePort();
    QVERIFY(port != 0);
    {
        QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("web_server"));
        settings.setValue(QStringLiteral("enabled"), true);
        settings.setValue(QStringLiteral("port"), port);
        settings.setValue(QStringLiteral("delay"), 0);
        settings.endGroup();
        settings.beginGroup(QStringLiteral("groups"));
        settings.setValue(QLatin1String(OPEN_GROUP), groupRecord(OPEN_GROUP, { 20, 30 }, { 450, 120 }));
        settings.setValue(QLatin1String(CLOSED_GROUP), groupRecord(CLOSED_GROUP, { 20, 200 }, { 450, 120 }));
        settings.endGroup();
    }
    const QString password = QString::fromLatin1(PASSWORD).arg(QStringLiteral("25"));
    const QVariantMap user { { "userName", USER_NAME }, { "password", password }, { "fullName", "Ann" },
        { "access", QVariantMap { { OPEN_GROUP, 2 } } } };
    QVERIFY(folder.writeFile(
        QStringLiteral("users"), QJsonDocument(QJsonObject::fromVariantMap({ { "1", user } })).toJson()));
    QVERIFY(QFile::copy(QStringLiteral(CLICK_COUNTER_LIBRARY),
        folder.filePath(QStringLiteral("widgets_components_lib/ClickCounter.so"))));
    QVERIFY(folder.writeFile(
        QStringLiteral("standart_widgets/label.sw"), standartWidgetFile(LABEL_WIDGET, OPEN_GROUP)));
    QVERIFY(folder.writeFile(
        QStringLiteral("standart_widgets/hidden.sw"), standartWidgetFile(HIDDEN_WIDGET, CLOSED_GROUP)));

    QByteArray page = folder.readFile(QStringLiteral("web/index.html"));
    QVERIFY(page.contains("</body>"));
    page.replace("</body>",
        QString::fromLatin1(PAGE_SCRIPT).arg(QLatin1String(USER_NAME), password).toUtf8() + "</body>");
    QVERIFY(folder.writeFile(QStringLiteral("web/browsertest.html"), page));

    QScopedPointer<QProcess> program(folder.start());
    QVERIFY(program->state() == QProcess::Running);

    QTemporaryDir profile;
    QVERIFY(profile.isValid());
    QProcess browser;
    browser.setProcessChannelMode(QProcess::SeparateChannels);
    browser.start(QLatin1String(CHROMIUM),
        { "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--user-data-dir=" + profile.path(),
            QStringLiteral("--virtual-time-budget=%1").arg(VIRTUAL_TIME_BUDGET_MS), "--dump-dom",
            QStringLiteral("http://127.0.0.1:%1/browsertest.html").arg(port) });
    const bool finished = browser.waitForFinished(BROWSER_TIMEOUT_MS);
    const QByteArray dom = browser.readAllStandardOutput();
    QVERIFY(TestAppFolder::terminate(program.data()));
    QVERIFY2(finished, browser.readAllStandardError().constData());

    const int start = dom.indexOf("<pre id=\"test-result\">");
    QVERIFY2(start >= 0, dom.right(2000).constData());
    const int end = dom.indexOf("</pre>", start);
    const QString escaped = QString::fromUtf8(dom.mid(start, end - start + 6));
    const QString json = QTextDocumentFragment::fromHtml(escaped).toPlainText();
    const QJsonObject result = QJsonDocument::fromJson(json.toUtf8()).object();
    QVERIFY2(!result.isEmpty(), qPrintable(json));
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

QTEST_MAIN(tst_WebBrowser)
#include "tst_webbrowser.moc"
