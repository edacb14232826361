#include "testappfolder.h"
#include "xwidgetstandartcomponentbaseclass.h"

#include <QLabel>
#include <QLibrary>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

namespace {
using MakeObject = XWidgetStandartComponentBaseClass* (*)();

QVariantMap conditions()
{
    const auto item = [](int condition, const QString& value, const QString& text, const QString& color) {
        return QVariantMap { { "condition", condition }, { "value", value }, { "text", text },
            { "color", color } };
    };
    return { { "items",
        QVariantMap { { "0", item(4, "", "no data", "gray") },
            { "1", item(0, "1", "%%name%% open", "green") },
            { "2", item(3, "", "%%name%% closed", "red") } } } };
}
}

class tst_VistagLibrary : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void makesIndependentObjects();
    void hostSequence();

private:
    MakeObject m_makeObject = nullptr;
    XWidgetStandartComponentBaseClass** m_object = nullptr;
};

void tst_VistagLibrary::initTestCase()
{
    QLibrary library(TestAppFolder::stageDir() + "/widgets_components_lib/Vistag");
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    m_makeObject = reinterpret_cast<MakeObject>(library.resolve("makeObject"));
    m_object = reinterpret_cast<XWidgetStandartComponentBaseClass**>(library.resolve("object"));
    QVERIFY(m_makeObject);
    QVERIFY(m_object);
    QVERIFY(QFile::exists(TestAppFolder::stageDir() + "/widgets_components_lib/Vistag.js"));
}

void tst_VistagLibrary::makesIndependentObjects()
{
    QScopedPointer<XWidgetStandartComponentBaseClass> first(m_makeObject());
    QVERIFY(first);
    QCOMPARE(*m_object, first.data());
    QScopedPointer<XWidgetStandartComponentBaseClass> second(m_makeObject());
    QVERIFY(second.data() != first.data());
    QCOMPARE(*m_object, second.data());
    QCOMPARE(first->metaObject()->className(), "XwpLabel");
    QCOMPARE(first->metaObject()->superClass()->className(), "XWidgetStandartComponentBaseClass");
    QCOMPARE(first->direction(), QBoxLayout::LeftToRight);
}

// The calls the host's component makes, in its order, then a value as the
// component routes it.
void tst_VistagLibrary::hostSequence()
{
    QWidget component;
    auto* layout = new QVBoxLayout(&component);
    XWidgetStandartComponentBaseClass* label = m_makeObject();
    label->setLibPath(QCoreApplication::applicationDirPath() + "/widgets_components_lib");
    layout->addLayout(label);
    label->setMap(conditions());
    QSignalSpy updated(label, &XWidgetStandartComponentBaseClass::valueUpdated);
    QSignalSpy settingsUpdated(label, &XWidgetStandartComponentBaseClass::libSettingsUpdated);
    label->setName("Valve");

    auto* text = qobject_cast<QLabel*>(label->getInsideObject("value"));
    QVERIFY(text);
    QCOMPARE(text->parentWidget(), &component);
    QCOMPARE(text->text(), QString("no data"));

    label->setValue(1);
    QCOMPARE(updated.count(), 1);
    QCOMPARE(text->text(), QString("Valve open"));
    QCOMPARE(text->palette().color(QPalette::WindowText), QColor("green"));
    QCOMPARE(label->webVariant(QVariant(), true),
        QVariant(QVariantMap { { "t", "Valve open" }, { "c", "#008000" } }));
    QVERIFY(label->webObject(true).startsWith("new Vistag('"));
    QVERIFY(label->webObject(true).endsWith("{t:'Valve open', c:'#008000'})"));

    label->setValue(0);
    QCOMPARE(text->text(), QString("Valve closed"));
    QCOMPARE(label->getValue(), QVariant(0));
    QVERIFY(!label->setRange(0, 1));
    QVERIFY(label->haveSettingsDialog());
    QCOMPARE(label->settingsDialog(QByteArray("saved")), QByteArray("saved"));
    QCOMPARE(settingsUpdated.count(), 0);
    QCOMPARE(label->getMap().value("items").toMap().size(), 3);
}

QTEST_MAIN(tst_VistagLibrary)
#include "tst_vistaglibrary.moc"
