#include "mousedriver.h"
#include "panelfixture.h"
#include "testappfolder.h"
#include "xwidget.h"
#include "xwidgetcontextmenu.h"
#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetlabelpic.h"
#include "xwidgetpanel.h"
#include "xwidgetpanelcontextmenu.h"
#include "xwidgetpanelscrollarea.h"
#include "xwidgetsettings.h"
#include "xwidgetsglobals.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

namespace {
// Counts the clicks that reach the widget's click action.
class ClickCountingWidget : public XWidget
{
public:
    using XWidget::setAnimationOnClick;
    using XWidget::XWidget;
    void mainClick() override
    {
        ++clicks;
        XWidget::mainClick();
    }
    int clicks = 0;
};

// A label of a class of its own: not a plain label for the web exchange.
class DerivedLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;
};
}

class tst_XWidget : public QObject, protected PanelFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void metaObjectOrder();
    void moveTo_data();
    void moveTo();
    void ctrlDrag_data();
    void ctrlDrag();
    void dragIsOpaque();
    void parentGrowsNeverShrinks_data();
    void parentGrowsNeverShrinks();
    void setSize_data();
    void setSize();
    void updateParent();
    void xsignalAppend();
    void xsignalEmit_data();
    void xsignalEmit();
    void webMap_data();
    void webMap();
    void webMapItems();
    void animation();
    void contextMenuAndCopyID();
    void getOtherWidget();

private:
    ClickCountingWidget* makeWidget(
        const QString& id, QPoint position, const QString& group = QString(), QSize size = QSize(60, 40));
    XWidgetGroup* makeGroup(const QString& name, QPoint position, QSize size, bool aligned);
    void setPanelGrid(bool on) { m_panel->contextMenu->gridAction->setChecked(on); }
};

void tst_XWidget::init()
{
    TestAppFolder::cleanOwnFolder();
    openSettings();
    createPanel(QSize(600, 400));
}

void tst_XWidget::cleanup()
{
    destroyPanel();
}

ClickCountingWidget* tst_XWidget::makeWidget(
    const QString& id, QPoint position, const QString& group, QSize size)
{
    auto* widget = new ClickCountingWidget(addWidgetRecord(id, position, group, size), m_panel);
    widget->acceptSettings();
    return widget;
}

XWidgetGroup* tst_XWidget::makeGroup(const QString& name, QPoint position, QSize size, bool aligned)
{
    XWidgetGroupSettings* record = addGroupRecord(name, position, size);
    record->alignedToTheGrid = aligned;
    return addGroup(record);
}

void tst_XWidget::metaObjectOrder()
{
    // The module libraries use these entries by index on the host's widgets.
    const QMetaObject& meta = XWidget::staticMetaObject;
    QStringList signatures;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        signatures << QString::fromLatin1(meta.method(i).methodSignature());
    const QStringList expected { "xsignal(QString,int,QVariant)", "webMapDo(QVariantMap,bool)",
        "showBaseSettingsDialog()", "showDataDialog()", "copyID()", "adjustSizeMin()", "adjustParentSize()",
        "moveTo(QPoint)", "updateParent()", "id()", "exchangeData(QVariantMap)", "exchangeData()",
        "getOtherWidget(QString)", "xsignalList()", "xsignalAppend(QString)", "xsignalAppend()",
        "xsignalEmit(QVariant,QVariant)", "xsignalEmit(QVariant)", "animationDo(int,QEasingCurve)",
        "animationDo(int)", "animationDo()", "setAnimationOnClick(bool)" };
    QCOMPARE(signatures, expected);
    QCOMPARE(meta.method(meta.methodCount() - 1).access(), QMetaMethod::Protected);
    QCOMPARE(meta.method(meta.methodOffset() + 1).access(), QMetaMethod::Public);
}

void tst_XWidget::moveTo_data()
{
    QTest::addColumn<bool>("panelGrid");
    QTest::addColumn<bool>("inGroup");
    QTest::addColumn<bool>("groupGrid");
    QTest::addColumn<QPoint>("target");
    QTest::addColumn<QPoint>("expected");

    QTest::newRow("panel grid on: clamped, then snapped")
        << true << false << false << QPoint(-5, 23) << QPoint(0, 20);
    QTest::newRow("panel grid off: clamped only")
        << false << false << false << QPoint(-5, 23) << QPoint(0, 23);
    QTest::newRow("snapping rounds down") << true << false << false << QPoint(19, 39) << QPoint(10, 30);
    QTest::newRow("group grid off wins over the panel grid")
        << true << true << false << QPoint(13, 27) << QPoint(13, 27);
    QTest::newRow("group grid on wins over the panel grid")
        << false << true << true << QPoint(13, 27) << QPoint(10, 20);
}

void tst_XWidget::moveTo()
{
    QFETCH(bool, panelGrid);
    QFETCH(bool, inGroup);
    QFETCH(bool, groupGrid);
    QFETCH(QPoint, target);
    setPanelGrid(panelGrid);
    if (inGroup)
        makeGroup(QStringLiteral("Hall"), QPoint(100, 100), QSize(300, 250), groupGrid);
    XWidget* widget
        = makeWidget(QStringLiteral("w"), QPoint(0, 0), inGroup ? QStringLiteral("Hall") : QString());
    QCOMPARE(widget->group != nullptr, inGroup);

    widget->moveTo(target);
    QTEST(widget->pos(), "expected");
    QTEST(widget->widgetSettings->position, "expected");
}

void tst_XWidget::ctrlDrag_data()
{
    QTest::addColumn<bool>("panelGrid");
    QTest::addColumn<bool>("inGroup");
    QTest::addColumn<bool>("groupGrid");
    QTest::addColumn<int>("pressModifiers");
    QTest::addColumn<int>("moveModifiers");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<QPoint>("expected");
    QTest::addColumn<int>("clicks");

    const int ctrl = Qt::ControlModifier;
    const int none = Qt::NoModifier;
    QTest::newRow("panel grid on snaps")
        << true << false << false << ctrl << ctrl << QPoint(33, 27) << QPoint(130, 120) << 0;
    QTest::newRow("panel grid off follows the pointer")
        << false << false << false << ctrl << ctrl << QPoint(33, 27) << QPoint(133, 127) << 0;
    QTest::newRow("left and top clamp at 0")
        << false << false << false << ctrl << ctrl << QPoint(-150, -130) << QPoint(0, 0) << 0;
    QTest::newRow("group grid off: single pixels under the panel grid")
        << true << true << false << ctrl << ctrl << QPoint(33, 27) << QPoint(53, 47) << 0;
    QTest::newRow("group grid on: snapped without the panel grid")
        << false << true << true << ctrl << ctrl << QPoint(33, 27) << QPoint(50, 40) << 0;
    QTest::newRow("press without Ctrl clicks and does not move")
        << false << false << false << none << none << QPoint(33, 27) << QPoint(100, 100) << 1;
    QTest::newRow("Ctrl let go during the drag stops it")
        << false << false << false << ctrl << none << QPoint(33, 27) << QPoint(100, 100) << 0;
}

void tst_XWidget::ctrlDrag()
{
    QFETCH(bool, panelGrid);
    QFETCH(bool, inGroup);
    QFETCH(bool, groupGrid);
    QFETCH(int, pressModifiers);
    QFETCH(int, moveModifiers);
    QFETCH(QPoint, delta);
    setPanelGrid(panelGrid);
    if (inGroup)
        makeGroup(QStringLiteral("Hall"), QPoint(200, 50), QSize(300, 300), groupGrid);
    ClickCountingWidget* widget = makeWidget(QStringLiteral("w"), inGroup ? QPoint(20, 20) : QPoint(100, 100),
        inGroup ? QStringLiteral("Hall") : QString());

    const QPoint from = widget->mapTo(m_panel, QPoint(5, 5));
    MouseDriver::press(m_panel, from, Qt::KeyboardModifiers(pressModifiers));
    MouseDriver::move(m_panel, from + delta / 2, Qt::KeyboardModifiers(moveModifiers));
    MouseDriver::move(m_panel, from + delta, Qt::KeyboardModifiers(moveModifiers));
    MouseDriver::release(m_panel, from + delta, Qt::KeyboardModifiers(moveModifiers));

    QTEST(widget->pos(), "expected");
    QTEST(widget->widgetSettings->position, "expected");
    QTEST(widget->clicks, "clicks");
}

void tst_XWidget::dragIsOpaque()
{
    XWidget* widget = makeWidget(QStringLiteral("w"), QPoint(100, 100));
    widget->setTransparent(true);
    const QPoint from = widget->mapTo(m_panel, QPoint(5, 5));
    MouseDriver::press(m_panel, from, Qt::ControlModifier);
    QVERIFY(!widget->testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(!widget->testAttribute(Qt::WA_NoSystemBackground));
    MouseDriver::release(m_panel, from, Qt::ControlModifier);
    QVERIFY(widget->testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(widget->testAttribute(Qt::WA_NoSystemBackground));
    QVERIFY(widget->transparent);
}

void tst_XWidget::parentGrowsNeverShrinks_data()
{
    QTest::addColumn<bool>("inGroup");
    QTest::newRow("on the panel") << false;
    QTest::newRow("in a group") << true;
}

void tst_XWidget::parentGrowsNeverShrinks()
{
    QFETCH(bool, inGroup);
    setPanelGrid(false);
    if (inGroup)
        makeGroup(QStringLiteral("Hall"), QPoint(0, 0), QSize(200, 150), false);
    XWidget* widget = makeWidget(
        QStringLiteral("w"), QPoint(10, 10), inGroup ? QStringLiteral("Hall") : QString(), QSize(50, 50));
    QWidget* parent = widget->parentWidget();
    QCOMPARE(parent, inGroup ? static_cast<QWidget*>(m_panel->groups->first()) : m_panel);
    const QSize before = parent->size();

    const QPoint far(before.width() + 30, before.height() + 20);
    widget->moveTo(far);
    QCOMPARE(parent->size(), QSize(far.x() + 50, far.y() + 50));

    widget->moveTo(QPoint(10, 10));
    QCOMPARE(parent->size(), QSize(far.x() + 50, far.y() + 50));
    // A group's record keeps the size that holds its widgets, and the panel
    // holds the group.
    if (inGroup) {
        QCOMPARE(m_panel->groups->first()->settings->size, parent->size());
        QVERIFY(m_panel->rect().contains(parent->geometry()));
    }
}

void tst_XWidget::setSize_data()
{
    QTest::addColumn<bool>("userSize");
    QTest::addColumn<QSize>("requested");
    QTest::addColumn<QSize>("stored");

    QTest::newRow("user size: each side at least 50") << true << QSize(20, 70) << QSize(50, 70);
    QTest::newRow("user size: larger sizes kept") << true << QSize(120, 90) << QSize(120, 90);
    QTest::newRow("natural size: the request is ignored") << false << QSize(400, 400) << QSize(77, 66);
}

void tst_XWidget::setSize()
{
    QFETCH(bool, userSize);
    QFETCH(QSize, requested);
    QFETCH(QSize, stored);
    XWidget* widget = makeWidget(QStringLiteral("w"), QPoint(10, 10), QString(), QSize(77, 66));
    auto* label = new QLabel(QStringLiteral("A fairly long text that sets the natural width"));
    widget->mainLayout->addWidget(label);
    // The layout shows a widget added to a shown parent on the next turn.
    QCoreApplication::processEvents();
    widget->widgetSettings->userSize = userSize;
    const QSize panelBefore = m_panel->size();

    widget->setSize(requested);
    QCOMPARE(widget->widgetSettings->size, stored);
    if (userSize) {
        QCOMPARE(widget->size(), stored);
        QCOMPARE(m_panel->size(), panelBefore);
    } else {
        QCOMPARE(widget->size(), widget->sizeHint());
        QVERIFY(widget->width() > label->fontMetrics().horizontalAdvance(label->text()));
    }
}

void tst_XWidget::updateParent()
{
    setPanelGrid(true);
    XWidgetGroup* hall = makeGroup(QStringLiteral("Hall"), QPoint(100, 100), QSize(300, 250), false);

    XWidget* stray = makeWidget(QStringLiteral("stray"), QPoint(0, 0), QStringLiteral("Nowhere"));
    QCOMPARE(stray->parentWidget(), m_panel);
    QVERIFY(!stray->group);
    XWidget* wrongCase = makeWidget(QStringLiteral("case"), QPoint(0, 0), QStringLiteral("hall"));
    QVERIFY(!wrongCase->group);

    XWidget* first = makeWidget(QStringLiteral("first"), QPoint(0, 0), QStringLiteral("Hall"));
    XWidget* second = makeWidget(QStringLiteral("second"), QPoint(0, 0), QStringLiteral("Hall"));
    QCOMPARE(first->parentWidget(), hall);
    QCOMPARE(hall->widgets, (QList<XWidget*> { first, second }));

    first->updateParent();
    QCOMPARE(hall->widgets, (QList<XWidget*> { second, first }));

    first->moveTo(QPoint(13, 27));
    QCOMPARE(first->pos(), QPoint(13, 27));

    first->widgetSettings->group.clear();
    first->updateParent();
    QCOMPARE(first->parentWidget(), m_panel);
    QVERIFY(!first->group);
    QVERIFY(first->isVisible());
    QCOMPARE(hall->widgets, QList<XWidget*> { second });

    delete second;
    QVERIFY(hall->widgets.isEmpty());
    m_panel->groups->removeAll(hall);
    delete hall;

    first->moveTo(QPoint(13, 27));
    QCOMPARE(first->pos(), QPoint(10, 20));
}

void tst_XWidget::xsignalAppend()
{
    XWidget* widget = makeWidget(QStringLiteral("w"), QPoint(0, 0));
    QCOMPARE(widget->xsignalAppend(QStringLiteral("a")), 0);
    QCOMPARE(widget->xsignalAppend(QStringLiteral("a")), 1);
    int index = -1;
    QVERIFY(QMetaObject::invokeMethod(widget, "xsignalAppend", Q_RETURN_ARG(int, index)));
    QCOMPARE(index, 2);
    QCOMPARE(widget->xsignalList(), (QStringList { "a", "a", QString() }));
}

void tst_XWidget::xsignalEmit_data()
{
    QTest::addColumn<QVariant>("argument");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("emittedName");
    QTest::addColumn<int>("emittedNumber");

    const QString nothing = QStringLiteral("<nothing>");
    QTest::newRow("unknown name is emitted with -1")
        << QVariant(QStringLiteral("none")) << true << QStringLiteral("none") << -1;
    QTest::newRow("duplicate name gives the first index")
        << QVariant(QStringLiteral("b")) << true << QStringLiteral("b") << 1;
    QTest::newRow("names are case-sensitive")
        << QVariant(QStringLiteral("B")) << true << QStringLiteral("B") << -1;
    QTest::newRow("int in range") << QVariant(0) << true << QStringLiteral("a") << 0;
    QTest::newRow("int past the end") << QVariant(3) << false << nothing << 0;
    QTest::newRow("negative int") << QVariant(-1) << false << nothing << 0;
    QTest::newRow("uint") << QVariant(2u) << true << QStringLiteral("b") << 2;
    QTest::newRow("double 1.0") << QVariant(1.0) << true << QStringLiteral("b") << 1;
    QTest::newRow("invalid variant") << QVariant() << true << nothing << 0;
    QTest::newRow("other type") << QVariant(true) << true << nothing << 0;
}

void tst_XWidget::xsignalEmit()
{
    QFETCH(QVariant, argument);
    QFETCH(QString, emittedName);
    QFETCH(int, emittedNumber);
    XWidget* widget = makeWidget(QStringLiteral("w"), QPoint(0, 0));
    widget->xsignalAppend(QStringLiteral("a"));
    widget->xsignalAppend(QStringLiteral("b"));
    widget->xsignalAppend(QStringLiteral("b"));
    QSignalSpy spy(widget, &XWidget::xsignal);

    QTEST(widget->xsignalEmit(argument, QStringLiteral("payload")), "result");
    if (emittedName == QLatin1String("<nothing>")) {
        QCOMPARE(spy.count(), 0);
        return;
    }
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), emittedName);
    QCOMPARE(spy.at(0).at(1).toInt(), emittedNumber);
    QCOMPARE(spy.at(0).at(2), QVariant(QStringLiteral("payload")));

    // Scripts call the overload without data.
    bool result = false;
    QVERIFY(QMetaObject::invokeMethod(
        widget, "xsignalEmit", Q_RETURN_ARG(bool, result), Q_ARG(QVariant, argument)));
    QCOMPARE(spy.count(), 2);
    QVERIFY(!spy.at(1).at(2).isValid());
}

void tst_XWidget::webMap_data()
{
    QTest::addColumn<QVariantMap>("input");
    QTest::addColumn<bool>("isWritable");
    QTest::addColumn<int>("clicks");

    QTest::newRow("clicked, read only: click, no isWritable")
        << QVariantMap { { QStringLiteral("clicked"), true } } << false << 1;
    QTest::newRow("clicked false: no click")
        << QVariantMap { { QStringLiteral("clicked"), false } } << true << 0;
    QTest::newRow("no input, writable") << QVariantMap() << true << 0;
}

void tst_XWidget::webMap()
{
    QFETCH(QVariantMap, input);
    QFETCH(bool, isWritable);
    ClickCountingWidget* widget = makeWidget(QStringLiteral("w"), QPoint(30, 40), QString(), QSize(90, 70));

    widget->webMapDo(input, isWritable);
    QTEST(widget->clicks, "clicks");
    const QVariantMap& result = widget->webData;
    QCOMPARE(result.contains(QStringLiteral("isWritable")), isWritable);
    if (isWritable)
        QCOMPARE(result.value(QStringLiteral("isWritable")), QVariant(true));
    const QVariantMap geometry { { QStringLiteral("x"), 30 }, { QStringLiteral("y"), 40 },
        { QStringLiteral("height"), 70 }, { QStringLiteral("width"), 90 } };
    QCOMPARE(result.value(QStringLiteral("_geometry")).toMap(), geometry);
}

void tst_XWidget::webMapItems()
{
    XWidget* widget = makeWidget(QStringLiteral("w"), QPoint(0, 0), QString(), QSize(300, 300));
    widget->mainLayout->addWidget(new QLabel(QStringLiteral("Level")));
    widget->mainLayout->addWidget(new DerivedLabel(QStringLiteral("not a plain label")));
    widget->mainLayout->addStretch();
    auto* picture = new XWidgetLabelPic;
    picture->fileName = QStringLiteral("plans/hall.png");
    widget->mainLayout->addWidget(picture);
    widget->mainLayout->addWidget(new QPushButton(QStringLiteral("Go")));

    const QVariantMap result = widget->webMap(QVariantMap(), false);
    const QVariantMap label { { QStringLiteral("Type"), QStringLiteral("Label") },
        { QStringLiteral("Text"), QStringLiteral("Level") } };
    const QVariantMap image { { QStringLiteral("Type"), QStringLiteral("Image") },
        { QStringLiteral("ImagePath"), QStringLiteral("content/plans/hall.png") } };
    QCOMPARE(result.value(QStringLiteral("0")).toMap(), label);
    QCOMPARE(result.value(QStringLiteral("3")).toMap(), image);
    QCOMPARE(result.keys(), (QStringList { "0", "3", "_geometry" }));
}

void tst_XWidget::animation()
{
    ClickCountingWidget* widget = makeWidget(QStringLiteral("w"), QPoint(100, 100));
    widget->move(250, 250);
    widget->animationDo(200);
    QCOMPARE(widget->pos(), QPoint(250, 240));
    QTRY_COMPARE(widget->pos(), QPoint(100, 100));
    QTRY_VERIFY(widget->findChildren<QAbstractAnimation*>().isEmpty());

    const QPoint from = widget->mapTo(m_panel, QPoint(5, 5));
    MouseDriver::press(m_panel, from);
    MouseDriver::release(m_panel, from);
    QCOMPARE(widget->findChildren<QAbstractAnimation*>().size(), 0);

    widget->setAnimationOnClick(true);
    MouseDriver::press(m_panel, from);
    MouseDriver::release(m_panel, from);
    QCOMPARE(widget->clicks, 2);
    QCOMPARE(widget->findChildren<QAbstractAnimation*>().size(), 1);
    QCOMPARE(widget->pos(), QPoint(100, 90));
}

void tst_XWidget::contextMenuAndCopyID()
{
    XWidget* widget = makeWidget(QStringLiteral("pump-7"), QPoint(0, 0));
    QStringList texts;
    const QList<QAction*> actions = widget->contextMenu->actions();
    for (QAction* action : actions)
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(texts, (QStringList { "Base settings", "Copy ID", "-", "Data" }));

    QGuiApplication::clipboard()->clear();
    actions.at(1)->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(QClipboard::Clipboard), QStringLiteral("pump-7"));
}

void tst_XWidget::getOtherWidget()
{
    XWidget* asking = makeWidget(QStringLiteral("a"), QPoint(0, 0));
    XWidget* other = makeWidget(QStringLiteral("b"), QPoint(100, 0));
    QObject* found = nullptr;
    QVERIFY(QMetaObject::invokeMethod(
        asking, "getOtherWidget", Q_RETURN_ARG(QObject*, found), Q_ARG(QString, QStringLiteral("b"))));
    QCOMPARE(found, other);
    QVERIFY(!asking->getOtherWidget(QStringLiteral("c")));
    XWidgetsPanel = nullptr;
    QVERIFY(!asking->getOtherWidget(QStringLiteral("b")));
}

QTEST_MAIN(tst_XWidget)
#include "tst_xwidget.moc"
