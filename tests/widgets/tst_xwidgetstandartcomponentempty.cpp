#include "xwidgetstandartcomponentempty.h"

#include <QtTest>

class tst_XWidgetStandartComponentEmpty : public QObject
{
    Q_OBJECT

private slots:
    void returnValueUntilNextValue();
    void invalidReturnValueIsIgnored();
    void notWritableHidesEveryValue();
};

void tst_XWidgetStandartComponentEmpty::returnValueUntilNextValue()
{
    XWidgetStandartComponentEmpty object;
    QSignalSpy returned(&object, &XWidgetStandartComponentBaseClass::returnValueUpdatedSignal);
    QSignalSpy updated(&object, &XWidgetStandartComponentBaseClass::valueUpdated);

    object.setReturnValue(5);
    QCOMPARE(object.getValue(), QVariant(5));
    QCOMPARE(returned.count(), 1);

    object.setValue(7);
    QCOMPARE(object.getValue(), QVariant(7));
    QCOMPARE(object.lastSetValue(), QVariant(7));
    QCOMPARE(updated.count(), 1);
}

void tst_XWidgetStandartComponentEmpty::invalidReturnValueIsIgnored()
{
    XWidgetStandartComponentEmpty object;
    object.setReturnValue(5);
    QSignalSpy returned(&object, &XWidgetStandartComponentBaseClass::returnValueUpdatedSignal);

    object.setReturnValue(QVariant());

    QCOMPARE(object.getValue(), QVariant(5));
    QCOMPARE(returned.count(), 0);
}

void tst_XWidgetStandartComponentEmpty::notWritableHidesEveryValue()
{
    XWidgetStandartComponentEmpty object;
    object.setValue(1);
    object.setReturnValue(2);
    object.setWritable(false);
    QVERIFY(!object.getValue().isValid());
    object.setValue(3);
    QVERIFY(!object.getValue().isValid());

    object.setWritable(true);
    QCOMPARE(object.getValue(), QVariant(3));
}

QTEST_MAIN(tst_XWidgetStandartComponentEmpty)
#include "tst_xwidgetstandartcomponentempty.moc"
