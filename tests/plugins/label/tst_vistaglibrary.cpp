#include "modalanswerer.h"
#include "testappfolder.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentbaseclass.h"
#include "xwidgetstandartcomponentsettings.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLibrary>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

namespace {
using MakeObject = XWidgetStandartComponentBaseClass* (*)();

const QString LIBRARY_NAME = QStringLiteral("Vistag");
const QString DIALOG_GEOMETRY_KEY = QStringLiteral("XWidgetStandartComponentDialog_geometry");

QVariantMap item(int condition, const QString& value, const QString& text, const QString& color)
{
    return { { "condition", condition }, { "value", value }, { "text", text }, { "color", color } };
}

QVariantMap valveConditions()
{
    return { { "items",
        QVariantMap { { "0", item(4, "", "no data", "gray") },
            { "1", item(0, "1", "%%name%% open", "green") },
            { "2", item(3, "", "%%name%% closed", "red") } } } };
}
}

// The staged library, loaded as the host loads it: by its file name from the
// application's widgets_components_lib, and driven by the host's own component.
class tst_VistagLibrary : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void factory();
    void inHostComponent();
    void settingsDialogFromHost();
};

void tst_VistagLibrary::initTestCase()
{
    TestAppFolder::linkStagedFolders();
    QVERIFY(QFile::exists(QCoreApplication::applicationDirPath() + "/widgets_components_lib/Vistag.js"));
}

void tst_VistagLibrary::factory()
{
    QLibrary library(QCoreApplication::applicationDirPath() + "/widgets_components_lib/" + LIBRARY_NAME);
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    const auto makeObject = reinterpret_cast<MakeObject>(library.resolve("makeObject"));
    const auto object = reinterpret_cast<XWidgetStandartComponentBaseClass**>(library.resolve("object"));
    QVERIFY(makeObject);
    QVERIFY(object);

    QScopedPointer<XWidgetStandartComponentBaseClass> first(makeObject());
    QVERIFY(first);
    QCOMPARE(*object, first.data());
    QScopedPointer<XWidgetStandartComponentBaseClass> second(makeObject());
    QVERIFY(second.data() != first.data());
    QCOMPARE(*object, second.data());
    QCOMPARE(first->metaObject()->className(), "XwpLabel");
    QCOMPARE(first->metaObject()->superClass()->className(), "XWidgetStandartComponentBaseClass");
    QCOMPARE(first->direction(), QBoxLayout::LeftToRight);
}

void tst_VistagLibrary::inHostComponent()
{
    XWidgetStandartComponentSettings record;
    record.name = QStringLiteral("Valve");
    record.libName = LIBRARY_NAME;
    record.libSettings = valveConditions();
    QWidget parent;
    auto* component = new XWidgetStandartComponent(&record);
    component->setParent(&parent);
    // What the standard widget does with a value announced for its component.
    connect(component, &XWidgetStandartComponent::setValueHandlerSignal, component,
        [](XWidgetStandartComponent* target, QVariant v, QObject* sender) {
            target->setValueHandler(v, sender);
        });

    QVERIFY(component->object);
    QObject* inside = nullptr;
    QVERIFY(QMetaObject::invokeMethod(
        component->object, "getInsideObject", Q_RETURN_ARG(QObject*, inside), Q_ARG(QString, "value")));
    auto* text = qobject_cast<QLabel*>(inside);
    QVERIFY(text);
    QCOMPARE(text->window(), &parent);
    QCOMPARE(text->text(), QString("no data"));
    QCOMPARE(text->palette().color(QPalette::WindowText), QColor("gray"));

    QSignalSpy updated(component, &XWidgetStandartComponent::valueUpdated);
    component->setValue(1, nullptr);
    QCOMPARE(updated.count(), 1);
    QCOMPARE(text->text(), QString("Valve open"));
    QCOMPARE(text->palette().color(QPalette::WindowText), QColor("green"));
    QCOMPARE(component->getValue(), QVariant(1));
    QVERIFY(component->object->webObject(true).endsWith("{t:'Valve open', c:'#008000'})"));
    QCOMPARE(component->object->webVariant(QVariant(), true),
        QVariant(QVariantMap { { "t", "Valve open" }, { "c", "#008000" } }));

    // With a module as setter, another sender's value is only a return value.
    QObject module;
    QObject script;
    component->setSetter(&module);
    QSignalSpy returned(component, &XWidgetStandartComponent::returnValueUpdatedSignal);
    component->setValue(0, &script);
    QCOMPARE(returned.count(), 1);
    QCOMPARE(text->text(), QString("Valve open"));
    QCOMPARE(component->getValue(), QVariant(1));
    component->setWritable(true);
    QCOMPARE(component->getValue(), QVariant(0));
    component->setValue(2, &module);
    QCOMPARE(text->text(), QString("Valve closed"));
    QCOMPARE(text->palette().color(QPalette::WindowText), QColor("red"));

    component->setEditMode(true);
    QVERIFY(text->testAttribute(Qt::WA_TransparentForMouseEvents));
    QVERIFY(!component->setRange(0, 10));
}

void tst_VistagLibrary::settingsDialogFromHost()
{
    XWidgetStandartComponentSettings record;
    record.name = QStringLiteral("Valve");
    record.libName = LIBRARY_NAME;
    record.libSettings = valveConditions();
    QWidget parent;
    auto* component = new XWidgetStandartComponent(&record);
    component->setParent(&parent);
    QVERIFY(component->object);
    auto* text = qobject_cast<QLabel*>(component->object->getInsideObject("value"));
    QVERIFY(text);
    XDialogsGeometry.remove(DIALOG_GEOMETRY_KEY);
    QSignalSpy settingsUpdated(component, &XWidgetStandartComponent::settingsUpdated);

    // The library's dialog, driven through its window only: the first row's text changes, a row is added.
    ModalAnswerer answerer({ { "QDialog", "Valve", QString(), [](QWidget* modal) {
        QAbstractItemModel* model = modal->findChild<QTableView*>()->model();
        QVERIFY(model->setData(model->index(0, 2), "no signal"));
        const QList<QPushButton*> buttons = modal->findChildren<QPushButton*>();
        for (QPushButton* button : buttons) {
            if (button->text().remove('&') == "Add")
                button->click();
        }
        QCOMPARE(model->rowCount(), 4);
        modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    } } });
    component->settingsDialog();
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));

    QCOMPARE(settingsUpdated.count(), 1);
    QVERIFY(!XDialogsGeometry.value(DIALOG_GEOMETRY_KEY).toByteArray().isEmpty());
    const QVariantMap items = record.libSettings.value("items").toMap();
    QCOMPARE(items.size(), 4);
    QCOMPARE(items.value("0").toMap().value("text").toString(), QString("no signal"));
    QCOMPARE(items.value("3").toMap(), item(0, "", "", ""));
    QCOMPARE(text->text(), QString("no signal"));
}

QTEST_MAIN(tst_VistagLibrary)
#include "tst_vistaglibrary.moc"
