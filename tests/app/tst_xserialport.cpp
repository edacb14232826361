#include "xserialport.h"
#include "xserialportitem.h"

#include <QtTest>

#include <memory>
#include <vector>

class tst_XSerialPort : public QObject
{
    Q_OBJECT

private slots:
    void handOver_data();
    void handOver();
    void setAvailable_data();
    void setAvailable();
};

// Each step is "<client> <action>"; after it, the client named in the same
// row of holders (or "-") must be the only one holding the port.
void tst_XSerialPort::handOver_data()
{
    QTest::addColumn<int>("clients");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("holders");

    QTest::newRow("states 1, 2, 1: the priority client is granted next")
        << 3
        << QStringList { "0 asks", "1 asks with priority", "2 asks", "0 gives back", "1 gives back",
               "2 gives back" }
        << QStringList { "0", "0", "0", "1", "2", "-" };
    QTest::newRow("states 1, 0, 1: access goes round cyclically")
        << 3 << QStringList { "0 asks", "2 asks", "0 gives back", "0 asks", "2 gives back" }
        << QStringList { "0", "0", "2", "2", "0" };
    QTest::newRow("a request while owned waits for the owner")
        << 3 << QStringList { "1 asks", "0 asks with priority", "2 asks", "1 gives back" }
        << QStringList { "1", "1", "1", "0" };
    QTest::newRow("the owner destroyed passes access on")
        << 2 << QStringList { "0 asks", "1 asks", "0 is destroyed", "1 gives back" }
        << QStringList { "0", "0", "1", "-" };
    QTest::newRow("a client before the owner destroyed keeps the owner")
        << 3 << QStringList { "2 asks", "0 asks", "1 is destroyed", "2 gives back" }
        << QStringList { "2", "2", "2", "0" };
    QTest::newRow("a client without access giving back leaves the owner alone")
        << 3 << QStringList { "0 asks", "2 asks", "1 gives back", "0 gives back" }
        << QStringList { "0", "0", "0", "2" };
    QTest::newRow("a waiting client giving up leaves the owner alone")
        << 3 << QStringList { "0 asks", "1 asks", "2 asks", "1 gives back", "0 gives back" }
        << QStringList { "0", "0", "0", "0", "2" };
    QTest::newRow("a client without access destroyed leaves the owner alone")
        << 3 << QStringList { "0 asks", "2 asks", "1 is destroyed", "0 gives back" }
        << QStringList { "0", "0", "0", "2" };
}

void tst_XSerialPort::handOver()
{
    QFETCH(int, clients);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, holders);
    QCOMPARE(steps.size(), holders.size());

    XSerialPort port;
    std::vector<std::unique_ptr<XSerialPortItem>> items;
    for (int i = 0; i < clients; ++i) {
        items.emplace_back(new XSerialPortItem);
        port.addItem(items.back().get());
    }

    for (int s = 0; s < steps.size(); ++s) {
        const QString& step = steps.at(s);
        const int client = step.section(QLatin1Char(' '), 0, 0).toInt();
        const QString action = step.section(QLatin1Char(' '), 1);
        XSerialPortItem* item = items.at(size_t(client)).get();
        if (action == QLatin1String("asks"))
            item->requestAccess(XSerialPortItem::Asking);
        else if (action == QLatin1String("asks with priority"))
            item->requestAccess(XSerialPortItem::AskingWithPriority);
        else if (action == QLatin1String("gives back"))
            item->releaseAccess();
        else if (action == QLatin1String("is destroyed"))
            items.at(size_t(client)).reset();
        else
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));

        QStringList holding;
        int ownerIndex = XSerialPort::NOBODY;
        int listIndex = 0;
        for (size_t i = 0; i < items.size(); ++i) {
            if (!items.at(i))
                continue;
            if (items.at(i)->port() == &port) {
                holding.append(QString::number(i));
                ownerIndex = listIndex;
            }
            ++listIndex;
        }
        const QString expected = holders.at(s);
        QVERIFY2(holding == (expected == QLatin1String("-") ? QStringList() : QStringList { expected }),
            qPrintable(QStringLiteral("after \"%1\": holding %2").arg(step, holding.join(QLatin1Char(',')))));
        QCOMPARE(port.owner(), ownerIndex);
        QCOMPARE(port.itemCount(), listIndex);
    }
    QVERIFY(!port.isOpen());
}

void tst_XSerialPort::setAvailable_data()
{
    QTest::addColumn<bool>("available");
    QTest::addColumn<QString>("expectedName");

    QTest::newRow("switched available takes the name") << true << QStringLiteral("ttyNEW");
    QTest::newRow("switched off keeps the name") << false << QStringLiteral("ttyOLD");
}

void tst_XSerialPort::setAvailable()
{
    QFETCH(bool, available);
    QFETCH(QString, expectedName);

    XSerialPort port;
    port.setPortName(QStringLiteral("ttyOLD"));
    port.serialPortSetAvailable(QStringLiteral("ttyNEW"), available);
    QCOMPARE(port.portName(), expectedName);
    QVERIFY(!port.isOpen());
}

QTEST_GUILESS_MAIN(tst_XSerialPort)
#include "tst_xserialport.moc"
