#include "item.h"
#include "settings.h"
#include "xwplabel.h"

#include <QFile>
#include <QLabel>
#include <QScriptEngine>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

namespace {
QVariantMap item(int condition, const QString& value, const QString& text, const QString& color = QString())
{
    return { { "condition", condition }, { "value", value }, { "text", text }, { "color", color } };
}

QVariantMap indexed(const QVariantList& list)
{
    QVariantMap map;
    for (int i = 0; i < list.size(); ++i)
        map.insert(QString::number(i), list.at(i));
    return map;
}

// A label placed in a widget as the host places it, so its QLabel has a parent.
struct LabelFixture
{
    explicit LabelFixture(const QVariantList& items = {}, const QFont* font = nullptr)
    {
        auto* layout = new QVBoxLayout(&host);
        layout->addLayout(label);
        QVariantMap map { { "items", indexed(items) } };
        if (font)
            map.insert("font", font->toString());
        label->setMap(map);
        text = qobject_cast<QLabel*>(label->getInsideObject("value"));
    }

    QColor color(QPalette::ColorGroup group = QPalette::Active) const
    {
        return text->palette().color(group, QPalette::WindowText);
    }

    QWidget host;
    XwpLabel* label = new XwpLabel;
    QLabel* text = nullptr;
};

QVariantList standardConditions()
{
    return {
        item(Item::Undefined, "", "undefined", "red"),
        item(Item::Equally, "5", "equal", "green"),
        item(Item::More, "10", "more", "blue"),
        item(Item::Other, "", "other", "gray"),
    };
}
}

class tst_XwpLabel : public QObject
{
    Q_OBJECT

private slots:
    void rendering_data();
    void rendering();
    void itemFromMap();
    void settingsMapRoundTrip();
    void settingsMapGapEndsList();
    void setMapReplacesConditions();
    void isStaticValue_data();
    void isStaticValue();
    void webReplyFollowsChanges_data();
    void webReplyFollowsChanges();
    void constructorText_data();
    void constructorText();
    void constructorTextRunsInScript_data();
    void constructorTextRunsInScript();
    void insideObject();
    void returnValueAndWritable();
    void editModeLetsMouseThrough();
};

void tst_XwpLabel::rendering_data()
{
    QTest::addColumn<QVariantList>("items");
    QTest::addColumn<QVariantList>("earlierValues");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<QString>("expectedColor");

    const QVariantList list = standardConditions();
    const QVariantList none;
    QTest::newRow("invalid value shows Undefined") << list << none << QVariant() << ""
                                                   << "undefined"
                                                   << "red";
    QTest::newRow("integer 5 shows Equally") << list << none << QVariant(5) << ""
                                             << "equal"
                                             << "green";
    QTest::newRow("string 5 shows Equally") << list << none << QVariant("5") << ""
                                            << "equal"
                                            << "green";
    QTest::newRow("12 shows More") << list << none << QVariant(12) << ""
                                   << "more"
                                   << "blue";
    QTest::newRow("7 shows Other") << list << none << QVariant(7) << ""
                                   << "other"
                                   << "gray";
    QTest::newRow("string abc shows Other") << list << none << QVariant("abc") << ""
                                            << "other"
                                            << "gray";

    QTest::newRow("Equally 5.0 is text, More 4.5 takes 5")
        << QVariantList { item(Item::Equally, "5.0", "equal"), item(Item::More, "4.5", "more") } << none
        << QVariant(5) << ""
        << "more"
        << "";
    QTest::newRow("invalid value without Undefined matches empty Equally")
        << QVariantList { item(Item::Less, "1", "less"), item(Item::Equally, "", "empty") } << none
        << QVariant() << ""
        << "empty"
        << "";
    QTest::newRow("invalid value counts as 0 for Less")
        << QVariantList { item(Item::Less, "1", "less", "#00ff00") } << none << QVariant() << ""
        << "less"
        << "#00ff00";
    QTest::newRow("Less before More wins for 5")
        << QVariantList { item(Item::Less, "10", "less"), item(Item::More, "0", "more") } << none
        << QVariant(5) << ""
        << "less"
        << "";
    QTest::newRow("bound that is no number is passed over")
        << QVariantList { item(Item::More, "abc", "more"), item(Item::Other, "", "other") } << none
        << QVariant(5) << ""
        << "other"
        << "";
    QTest::newRow("no match clears earlier text and colour")
        << QVariantList { item(Item::Equally, "1", "one", "red") } << QVariantList { 1 } << QVariant(2) << ""
        << ""
        << "";
    QTest::newRow("code outside the table never matches")
        << QVariantList { item(7, "", "seven", "red") } << none << QVariant() << ""
        << ""
        << "";
    QTest::newRow("unknown colour name gives no colour")
        << QVariantList { item(Item::Other, "", "x", "nosuchcolour") } << none << QVariant(1) << ""
        << "x"
        << "";

    const QVariantList valueOnly { item(Item::Other, "", "%%value%%") };
    QTest::newRow("one third with six digits") << valueOnly << none << QVariant(1.0 / 3) << ""
                                               << "0.333333"
                                               << "";
    QTest::newRow("integer in plain form") << valueOnly << none << QVariant(1234567) << ""
                                           << "1234567"
                                           << "";
    QTest::newRow("string in plain form") << valueOnly << none << QVariant("abc") << ""
                                          << "abc"
                                          << "";
    QTest::newRow("invalid value shows nothing") << valueOnly << none << QVariant() << ""
                                                 << ""
                                                 << "";

    const QVariantList named { item(Item::Other, "", "%%name%%: %%value%%") };
    QTest::newRow("name given after the value") << named << none << QVariant(3) << "Tank"
                                                << "Tank: 3"
                                                << "";
    QTest::newRow("value marker inside the name is replaced too")
        << named << none << QVariant(3) << "%%value%%"
        << "3: 3"
        << "";
}

void tst_XwpLabel::rendering()
{
    QFETCH(QVariantList, items);
    QFETCH(QVariantList, earlierValues);
    QFETCH(QVariant, value);
    QFETCH(QString, name);
    QFETCH(QString, expectedText);
    QFETCH(QString, expectedColor);

    LabelFixture fixture(items);
    for (const QVariant& earlier : qAsConst(earlierValues)) {
        fixture.label->setValue(earlier);
        QVERIFY(!fixture.text->text().isEmpty());
    }
    fixture.label->setValue(value);
    if (!name.isEmpty())
        fixture.label->setName(name);

    QCOMPARE(fixture.text->text(), expectedText);
    for (QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        if (expectedColor.isEmpty())
            QVERIFY(!fixture.color(group).isValid());
        else
            QCOMPARE(fixture.color(group), QColor(expectedColor));
    }
}

void tst_XwpLabel::itemFromMap()
{
    Item condition;
    condition.setMap(item(Item::Less, "1.5", "low", "red"));
    QCOMPARE(condition.getMap(), item(Item::Less, "1.5", "low", "red"));

    condition.setMap({ { "condition", "abc" }, { "text", 12 } });
    QCOMPARE(condition.condition, int(Item::Equally));
    QCOMPARE(condition.text, QString("12"));
    QVERIFY(condition.value.isEmpty());
    QVERIFY(condition.color.isEmpty());

    condition.setMap({ { "condition", 9 } });
    QCOMPARE(condition.getMap().value("condition").toInt(), 9);
}

void tst_XwpLabel::settingsMapRoundTrip()
{
    QVariantList twelve;
    for (int i = 0; i < 12; ++i)
        twelve << item(i % 5, QString::number(i), QStringLiteral("text %1").arg(i), "red");
    QFont font("DejaVu Sans");
    font.setPointSize(17);
    font.setItalic(true);

    LabelFixture first(twelve, &font);
    const QVariantMap map = first.label->getMap();
    QCOMPARE(map.keys(), (QStringList { "font", "items" }));
    const QVariantMap items = map.value("items").toMap();
    QCOMPARE(items.size(), 12);
    for (int i = 0; i < 12; ++i)
        QCOMPARE(items.value(QString::number(i)).toMap(), twelve.at(i).toMap());

    LabelFixture second;
    second.label->setMap(map);
    QCOMPARE(second.label->getMap(), map);
    QCOMPARE(second.text->font().toString(), font.toString());

    Settings settings;
    settings.setMap(map);
    QCOMPARE(settings.items.size(), 12);
    QCOMPARE(settings.items.at(10), twelve.at(10).toMap());
    QCOMPARE(settings.font, font);
}

void tst_XwpLabel::settingsMapGapEndsList()
{
    Settings settings;
    settings.items << item(Item::Other, "", "stale");
    const QFont before = settings.font;
    settings.setMap({ { "font", QVariant() },
        { "items",
            QVariantMap { { "0", item(Item::Equally, "a", "A") }, { "1", item(Item::Equally, "b", "B") },
                { "3", item(Item::Equally, "d", "D") } } } });
    QCOMPARE(settings.items.size(), 2);
    QCOMPARE(settings.items.at(1).value("text").toString(), QString("B"));
    QCOMPARE(settings.font, before);

    settings.setMap({});
    QVERIFY(settings.items.isEmpty());
}

void tst_XwpLabel::setMapReplacesConditions()
{
    LabelFixture fixture({ item(Item::Other, "", "first") });
    fixture.label->setValue(1);
    fixture.label->setMap({ { "items", indexed({ item(Item::Other, "", "second") }) } });
    QCOMPARE(fixture.text->text(), QString("second"));
    QCOMPARE(fixture.label->getMap().value("items").toMap().size(), 1);
}

void tst_XwpLabel::isStaticValue_data()
{
    QTest::addColumn<QVariantList>("items");
    QTest::addColumn<bool>("expected");

    QTest::newRow("no conditions") << QVariantList() << true;
    QTest::newRow("one condition without the value marker, not matching")
        << QVariantList { item(Item::Equally, "never", "fixed") } << true;
    QTest::newRow("one condition with the value marker")
        << QVariantList { item(Item::Other, "", "is %%value%%") } << false;
    QTest::newRow("value marker of another case is plain text")
        << QVariantList { item(Item::Other, "", "%%VALUE%%") } << true;
    QTest::newRow("two conditions") << QVariantList { item(Item::Equally, "1", "one"),
        item(Item::Other, "", "other") }
                                    << false;
}

void tst_XwpLabel::isStaticValue()
{
    QFETCH(QVariantList, items);
    QFETCH(bool, expected);

    LabelFixture fixture(items);
    fixture.label->setValue(1);
    QCOMPARE(fixture.label->isStaticValue(), expected);

    const QVariant web = fixture.label->webVariant(QVariant("ignored"), true);
    if (expected) {
        QVERIFY(!web.isValid());
    } else {
        const QVariantMap map = web.toMap();
        QCOMPARE(map.keys(), (QStringList { "c", "t" }));
        QCOMPARE(map.value("t").toString(), fixture.text->text());
        QCOMPARE(map.value("c").toString(), QString("#000000"));
    }
}

void tst_XwpLabel::webReplyFollowsChanges_data()
{
    QTest::addColumn<QVariant>("first");
    QTest::addColumn<QVariant>("second");
    QTest::addColumn<QString>("typedText");
    QTest::addColumn<QColor>("paintedColor");

    QTest::newRow("same text, other colour") << QVariant(1) << QVariant(2) << QString() << QColor();
    QTest::newRow("other text, same colour") << QVariant(3) << QVariant(4) << QString() << QColor();
    QTest::newRow("text set on the label itself") << QVariant(1) << QVariant(1) << "typed" << QColor();
    QTest::newRow("colour set on the label itself")
        << QVariant(1) << QVariant(1) << QString() << QColor(Qt::green);
}

void tst_XwpLabel::webReplyFollowsChanges()
{
    QFETCH(QVariant, first);
    QFETCH(QVariant, second);
    QFETCH(QString, typedText);
    QFETCH(QColor, paintedColor);

    LabelFixture fixture({ item(Item::Equally, "1", "same", "red"), item(Item::Equally, "2", "same", "blue"),
        item(Item::Other, "", "v %%value%%", "gray") });
    const auto shown = [&]() {
        return QVariantMap { { "t", fixture.text->text() }, { "c", fixture.color().name() } };
    };
    fixture.label->setValue(first);
    const QVariantMap before = fixture.label->webVariant(QVariant(), false).toMap();
    QCOMPARE(before, shown());

    fixture.label->setValue(second);
    if (!typedText.isEmpty())
        fixture.text->setText(typedText);
    if (paintedColor.isValid()) {
        QPalette palette = fixture.text->palette();
        palette.setColor(QPalette::WindowText, paintedColor);
        fixture.text->setPalette(palette);
    }
    const QVariantMap after = fixture.label->webVariant(QVariant(), false).toMap();
    QCOMPARE(after, shown());
    QVERIFY(after != before);
}

void tst_XwpLabel::constructorText_data()
{
    QTest::addColumn<QFont>("font");
    QTest::addColumn<QVariantList>("items");
    QTest::addColumn<QString>("expected");

    QFont pixels("DejaVu Sans");
    pixels.setPixelSize(14);
    QFont bold("DejaVu Serif", 12, QFont::Bold);
    QFont demiBold("DejaVu Serif", 12, QFont::DemiBold);
    const QVariantList plain { item(Item::Other, "", "Pump on", "Red") };

    QTest::newRow("pixel font") << pixels << plain
                                << "new Vistag('14px', 'DejaVu Sans', 'normal', {t:'Pump on', c:'#ff0000'})";
    QTest::newRow("bold font") << bold << plain
                               << "new Vistag('12pt', 'DejaVu Serif', 'bold', {t:'Pump on', c:'#ff0000'})";
    QTest::newRow("demibold is normal")
        << demiBold << plain << "new Vistag('12pt', 'DejaVu Serif', 'normal', {t:'Pump on', c:'#ff0000'})";
    QTest::newRow("no colour gives black")
        << bold << QVariantList { item(Item::Other, "", "x") }
        << "new Vistag('12pt', 'DejaVu Serif', 'bold', {t:'x', c:'#000000'})";
    QTest::newRow("quote, backslash, line break and closing tag escaped")
        << bold << QVariantList { item(Item::Other, "", "It's a\\b\r\n</script>", "blue") }
        << "new Vistag('12pt', 'DejaVu Serif', 'bold', {t:'It\\'s a\\\\b\\r\\n<\\/script>', c:'#0000ff'})";
    QTest::newRow("markers inside the text stay text")
        << bold << QVariantList { item(Item::Other, "", "%1 and %5") }
        << "new Vistag('12pt', 'DejaVu Serif', 'bold', {t:'%1 and %5', c:'#000000'})";
}

void tst_XwpLabel::constructorText()
{
    QFETCH(QFont, font);
    QFETCH(QVariantList, items);
    QFETCH(QString, expected);

    LabelFixture fixture(items, &font);
    fixture.label->setValue(1);
    QCOMPARE(fixture.label->webObject(true), expected);
    QCOMPARE(fixture.label->webObject(false), expected);
}

void tst_XwpLabel::constructorTextRunsInScript_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << "Level 5";
    QTest::newRow("quotes") << "It's \"full\"";
    QTest::newRow("code after a quote") << "'});alert(1);//";
    QTest::newRow("line breaks") << QString("one\ntwo\r\nthree") + QChar(0x2028) + "four";
    QTest::newRow("backslashes") << "C:\\temp\\";
    QTest::newRow("closing script tag") << "</script><script>alert(1)</script>";
}

// The browser runs the constructor text against the library's own class; the
// text must arrive unchanged, whatever it holds.
void tst_XwpLabel::constructorTextRunsInScript()
{
    QFETCH(QString, text);

    QFile classFile(VISTAG_WEB_CLASS_FILE);
    QVERIFY(classFile.open(QIODevice::ReadOnly));
    QScriptEngine engine;
    engine.evaluate(QString::fromUtf8(classFile.readAll()));
    QVERIFY(!engine.hasUncaughtException());

    QFont font("DejaVu Sans");
    font.setPixelSize(20);
    LabelFixture fixture({ item(Item::Other, "", "%%value%%", "green") }, &font);
    fixture.label->setValue(text);

    const QScriptValue made = engine.evaluate(fixture.label->webObject(true));
    QVERIFY2(!engine.hasUncaughtException(), qPrintable(engine.uncaughtException().toString()));
    QCOMPARE(made.property("text").toString(), text);
    QCOMPARE(made.property("color").toString(), QString("#008000"));
    QCOMPARE(made.property("fontSize").toString(), QString("20px"));
    QCOMPARE(made.property("fontWeight").toString(), QString("normal"));

    engine.globalObject().setProperty("label", made);
    engine.evaluate("label.setWebValue({t: 'later', c: '#123456'}); label.setWebValue(undefined);");
    QVERIFY(!engine.hasUncaughtException());
    QCOMPARE(made.property("text").toString(), QString("later"));
    QCOMPARE(made.property("color").toString(), QString("#123456"));
}

void tst_XwpLabel::insideObject()
{
    LabelFixture fixture;
    QVERIFY(fixture.text);
    QCOMPARE(fixture.text->parentWidget(), &fixture.host);
    QVERIFY(!fixture.label->getInsideObject("Value"));
    QVERIFY(!fixture.label->getInsideObject(""));
    QVERIFY(fixture.label->haveSettingsDialog());
}

void tst_XwpLabel::returnValueAndWritable()
{
    LabelFixture fixture({ item(Item::Other, "", "%%value%%") });
    QSignalSpy returned(fixture.label, &XWidgetStandartComponentBaseClass::returnValueUpdatedSignal);
    QSignalSpy updated(fixture.label, &XWidgetStandartComponentBaseClass::valueUpdated);

    fixture.label->setValue(7);
    QCOMPARE(updated.count(), 1);
    QCOMPARE(fixture.label->lastSetValue(), QVariant(7));
    QCOMPARE(fixture.label->getValue(), QVariant(7));

    fixture.label->setReturnValue(9);
    QCOMPARE(returned.count(), 1);
    QCOMPARE(fixture.text->text(), QString("7"));
    QCOMPARE(fixture.label->getValue(), QVariant(7));

    fixture.label->setWritable(true);
    QCOMPARE(fixture.label->getValue(), QVariant(9));
    fixture.label->setReturnValue(QVariant());
    QCOMPARE(returned.count(), 2);
    QVERIFY(!fixture.label->getValue().isValid());
}

void tst_XwpLabel::editModeLetsMouseThrough()
{
    LabelFixture fixture;
    fixture.label->setEditMode(true);
    QVERIFY(fixture.label->editMode());
    QVERIFY(fixture.text->testAttribute(Qt::WA_TransparentForMouseEvents));
    fixture.label->setEditMode(false);
    QVERIFY(!fixture.text->testAttribute(Qt::WA_TransparentForMouseEvents));
}

QTEST_MAIN(tst_XwpLabel)
#include "tst_xwplabel.moc"
