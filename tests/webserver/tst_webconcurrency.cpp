#include "webpanelfixture.h"
#include "webtestclient.h"

#include <QAtomicInt>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QtTest>

#include <thread>

namespace {
const int CLIENTS = 32;
const int EXCHANGES_PER_CLIENT = 15;
// The clients go on until the GUI thread has rebuilt widgets this often, so
// that exchanges and rebuilds really overlap however fast either side is.
const int REBUILDS = 2 * CLIENTS;
const int WIDGETS = 8;
const int SOCKET_TIMEOUT_MS = 30000;
const int TEST_TIMEOUT_MS = 120000;

// One blocking exchange from a client thread of its own; empty when the
// connection failed.
QByteArray blockingExchange(quint16 port, const QByteArray& request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(SOCKET_TIMEOUT_MS))
        return QByteArray();
    socket.write(request);
    QByteArray received;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(SOCKET_TIMEOUT_MS))
        received += socket.readAll();
    received += socket.readAll();
    return received;
}

// Well-formed: the exact header lines, and a JSON object whose "WIDGETS" is an
// object of widget states that are objects themselves.
bool wellFormed(const QByteArray& bytes)
{
    const WebTest::HttpAnswer http = WebTest::parse(bytes);
    if (http.headerLines != WebTest::headerLines(200, "text/plain", http.body.size()))
        return false;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(http.body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonValue widgets = document.object().value(QStringLiteral("WIDGETS"));
    if (!widgets.isObject())
        return false;
    const QJsonObject states = widgets.toObject();
    for (auto it = states.begin(); it != states.end(); ++it) {
        if (!it.value().isObject() || !it.value().toObject().value(QStringLiteral("comp")).isObject())
            return false;
    }
    return true;
}
}

// Browsers exchanging widget data while the operator deletes and re-adds the
// very widgets they ask for.
class tst_WebConcurrency : public QObject
{
    Q_OBJECT

private slots:
    void exchangeWhileWidgetsAreRebuilt();
};

void tst_WebConcurrency::exchangeWhileWidgetsAreRebuilt()
{
    TestAppFolder::cleanOwnFolder();
    WebTest::Server server;
    QVERIFY(server.server()->isListening());
    WebTest::Panel panel;
    panel.addGroup(QStringLiteral("G"), { 0, 0 }, { 400, 400 });
    for (int i = 0; i < WIDGETS; ++i)
        panel.addWidget(QStringLiteral("w%1").arg(i), QStringLiteral("G"));
    WebTest::Panel::addUser(
        QStringLiteral("ann"), QStringLiteral("pw"), { { QStringLiteral("G"), ReadAndWrite } });

    QByteArray input;
    for (int i = 0; i < WIDGETS; ++i)
        input += (i ? ",\"w" : "\"w") + QByteArray::number(i) + "\":{\"clicked\":true,\"comp\":{\"0\":5}}";
    const QByteArray request
        = WebTest::postRequest("ann", "{\"password\":\"pw\",\"GROUPS\":1,\"WIDGETS\":{" + input + "}}");

    QAtomicInt finished = 0;
    QAtomicInt rebuilds = 0;
    QAtomicInt timedOut = 0;
    QAtomicInt malformed = 0;
    QList<QByteArray> firstMalformed;
    QMutex firstMalformedLock;
    std::vector<std::thread> clients;
    for (int c = 0; c < CLIENTS; ++c) {
        clients.emplace_back([&]() {
            for (int n = 0;
                 !timedOut.loadRelaxed() && (n < EXCHANGES_PER_CLIENT || rebuilds.loadRelaxed() < REBUILDS);
                 ++n) {
                const QByteArray answer = blockingExchange(server.port(), request);
                if (!wellFormed(answer)) {
                    malformed.fetchAndAddRelaxed(1);
                    QMutexLocker locker(&firstMalformedLock);
                    if (firstMalformed.isEmpty())
                        firstMalformed.append(answer);
                }
            }
            finished.fetchAndAddRelaxed(1);
        });
    }

    // The GUI thread keeps deleting and re-adding widgets, and serves the
    // connections' calls in between.
    QElapsedTimer clock;
    clock.start();
    while (finished.loadRelaxed() < CLIENTS && clock.elapsed() < TEST_TIMEOUT_MS) {
        panel.rebuild(rebuilds.loadRelaxed() % panel.widgetCount());
        rebuilds.fetchAndAddRelaxed(1);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    timedOut.storeRelaxed(finished.loadRelaxed() < CLIENTS);
    // The clients may still wait for calls into this thread.
    while (finished.loadRelaxed() < CLIENTS)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    for (std::thread& client : clients)
        client.join();

    QVERIFY2(!timedOut.loadRelaxed(), "the clients did not finish in time");
    QCOMPARE(finished.loadRelaxed(), CLIENTS);
    QVERIFY2(malformed.loadRelaxed() == 0,
        qPrintable(QStringLiteral("%1 malformed, first: %2")
                       .arg(malformed.loadRelaxed())
                       .arg(QString::fromUtf8(firstMalformed.value(0).left(500)))));
    QVERIFY(rebuilds.loadRelaxed() >= REBUILDS);
}

QTEST_MAIN(tst_WebConcurrency)
#include "tst_webconcurrency.moc"
