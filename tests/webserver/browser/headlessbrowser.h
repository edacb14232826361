#pragma once

// Headless Chromium for the browser tests: it opens one page and hands back
// the page's document, or a picture of it. It waits with the event loop
// running, so a server in the test's own process keeps answering.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSize>
#include <QString>
#include <QTemporaryDir>
#include <QTextDocumentFragment>
#include <QtTest>

namespace HeadlessBrowser {

const char CHROMIUM[] = "/usr/bin/chromium";
const int BROWSER_TIMEOUT_MS = 90000;
// Virtual time: the page waits in it, so a slow machine does not fail it.
const int VIRTUAL_TIME_BUDGET_MS = 30000;
const char RESULT_START[] = "<pre id=\"test-result\"";

// What the pages' test scripts share, put on the page before them:
// widget(id) finds a widget's element; waitFor(check, timeoutMs) resolves
// with check's first true value, or its last one at the time-out; report()
// leaves the result where result() finds it, out of the layout, so that a
// picture shows the page as the operator has it.
const char PAGE_HELPERS[] = R"(<script>
function widget(id) { return document.querySelector('[data-widget="' + id + '"]'); }
function waitFor(check, timeoutMs) {
  return new Promise(function (resolve) {
    var start = Date.now();
    (function poll() {
      var value = check();
      if (value || Date.now() - start > timeoutMs) resolve(value); else setTimeout(poll, 50);
    })();
  });
}
function report(result) {
  var out = document.createElement('pre');
  out.id = 'test-result';
  out.hidden = true;
  out.textContent = JSON.stringify(result);
  document.body.appendChild(out);
}
</script>
)";

inline bool installed()
{
    return QFile::exists(QLatin1String(CHROMIUM));
}

struct Page
{
    bool finished = false;
    int exitCode = -1;
    QByteArray dom;
    QByteArray errors;
};

// The page's document once its scripts had their time; with a screenshot
// path, a picture of the page is written there instead. The preferences, when
// given, are the browser profile's own (its fonts, say).
inline Page open(const QString& url, QSize windowSize, const QString& screenshot = QString(),
    const QJsonObject& preferences = QJsonObject())
{
    QTemporaryDir profile;
    if (!preferences.isEmpty()) {
        QDir(profile.path()).mkpath(QStringLiteral("Default"));
        QFile file(profile.filePath(QStringLiteral("Default/Preferences")));
        if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(preferences).toJson()) < 0)
            return Page();
    }
    QProcess browser;
    browser.setProcessChannelMode(QProcess::SeparateChannels);
    QStringList arguments { "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
        "--disable-background-networking", "--disable-component-update", "--disable-sync",
        "--user-data-dir=" + profile.path(),
        QStringLiteral("--window-size=%1,%2").arg(windowSize.width()).arg(windowSize.height()),
        QStringLiteral("--virtual-time-budget=%1").arg(VIRTUAL_TIME_BUDGET_MS) };
    arguments << (screenshot.isEmpty() ? QStringLiteral("--dump-dom")
                                       : QStringLiteral("--screenshot=") + screenshot)
              << url;
    browser.start(QLatin1String(CHROMIUM), arguments);
    Page page;
    page.finished
        = QTest::qWaitFor([&] { return browser.state() == QProcess::NotRunning; }, BROWSER_TIMEOUT_MS);
    if (!page.finished) {
        browser.kill();
        browser.waitForFinished();
    }
    page.exitCode = browser.exitCode();
    page.dom = browser.readAllStandardOutput();
    page.errors = browser.readAllStandardError();
    return page;
}

// The JSON object that the page's test script left in <pre id="test-result">,
// or one that holds only an "error".
inline QJsonObject result(const Page& page)
{
    if (!page.finished)
        return { { "error", QString::fromUtf8("browser did not finish: " + page.errors.right(2000)) } };
    const int start = page.dom.indexOf(RESULT_START);
    if (start < 0)
        return { { "error",
            QStringLiteral("no result (browser exit %1) in: %2; browser said: %3")
                .arg(page.exitCode)
                .arg(QString::fromUtf8(page.dom.right(2000)), QString::fromUtf8(page.errors.right(2000))) } };
    const int end = page.dom.indexOf("</pre>", start);
    const QString escaped = QString::fromUtf8(page.dom.mid(start, end - start + 6));
    const QString json = QTextDocumentFragment::fromHtml(escaped).toPlainText();
    const QJsonObject parsed = QJsonDocument::fromJson(json.toUtf8()).object();
    return parsed.isEmpty() ? QJsonObject { { "error", "no JSON in: " + json } } : parsed;
}

}
