#include "modalanswerer.h"
#include "panelfixture.h"
#include "testappfolder.h"
#include "xwidget.h"
#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetpanel.h"
#include "xwidgetpanelcontextmenu.h"
#include "xwidgetpanelscrollarea.h"
#include "xwidgetsettings.h"
#include "xwidgetsglobals.h"

#include <QAbstractAnimation>
#include <QApplication>
#include <QContextMenuEvent>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

class tst_XWidgetPanel : public QObject, protected PanelFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void contextMenu();
    void gridSwitchStored();
    void adjustSize_data();
    void adjustSize();
    void getXWidgetByID();
    void getGroupByName();
    void findWidget_data();
    void findWidget();
    void scrollAreaKeepsPanelFilled();

private:
    void makePanel();
    QAction* action(const QString& text);
    XWidget* makeWidget(
        const QString& id, QPoint position, const QString& group = QString(), QSize size = QSize(60, 40));
    XWidgetGroup* makeGroup(const QString& name, QPoint position);
};

void tst_XWidgetPanel::init()
{
    TestAppFolder::cleanOwnFolder();
    openSettings();
}

void tst_XWidgetPanel::cleanup()
{
    destroyPanel();
}

void tst_XWidgetPanel::makePanel()
{
    createPanel(QSize(), false);
}

QAction* tst_XWidgetPanel::action(const QString& text)
{
    const QList<QAction*> actions = m_panel->contextMenu->actions();
    for (QAction* candidate : actions) {
        if (candidate->text() == text)
            return candidate;
    }
    return nullptr;
}

XWidget* tst_XWidgetPanel::makeWidget(const QString& id, QPoint position, const QString& group, QSize size)
{
    auto* widget = new XWidget(addWidgetRecord(id, position, group, size), m_panel);
    widget->acceptSettings();
    return widget;
}

XWidgetGroup* tst_XWidgetPanel::makeGroup(const QString& name, QPoint position)
{
    return addGroup(addGroupRecord(name, position, QSize(200, 200)));
}

void tst_XWidgetPanel::contextMenu()
{
    makePanel();
    QCOMPARE(m_panel->objectName(), QStringLiteral("XWidgetPanel"));
    QCOMPARE(m_area->objectName(), QStringLiteral("XWidgetPanelScrollArea"));
    QCOMPARE(m_area->widget(), m_panel);

    QStringList texts;
    const QList<QAction*> actions = m_panel->contextMenu->actions();
    for (QAction* entry : actions)
        texts << (entry->isSeparator() ? QStringLiteral("-") : entry->text());
    QCOMPARE(texts,
        (QStringList { "Aligned to the grid", "Add the group", "-", "Add the standart widget",
            "Find widget by ID", "-", "Adjust size" }));
    QCOMPARE(m_panel->contextMenu->gridAction, actions.first());
    QVERIFY(m_panel->contextMenu->gridAction->isCheckable());

    const QMetaObject& meta = XWidgetPanelContextMenu::staticMetaObject;
    QStringList signatures;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        signatures << QString::fromLatin1(meta.method(i).methodSignature());
    QCOMPARE(signatures,
        (QStringList { "alignedToTheGridToggled(bool)", "makeStandartWidgetClicked()",
            "findWidgetByIdClicked()", "makeGroupClicked()", "adjustSize()" }));

    QSignalSpy makeGroup(m_panel->contextMenu, &XWidgetPanelContextMenu::makeGroupClicked);
    QSignalSpy makeWidget(m_panel->contextMenu, &XWidgetPanelContextMenu::makeStandartWidgetClicked);
    action(QStringLiteral("Add the group"))->trigger();
    action(QStringLiteral("Add the standart widget"))->trigger();
    QCOMPARE(makeGroup.count(), 1);
    QCOMPARE(makeWidget.count(), 1);

    m_area->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_area));
    bool shown = false;
    ModalAnswerer answerer({ { "QMenu", "", QString(), [&](QWidget* menu) {
        shown = menu == m_panel->contextMenu;
        m_panel->contextMenu->close();
    } } });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), m_panel->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(m_panel, &event);
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QVERIFY(shown);
}

void tst_XWidgetPanel::gridSwitchStored()
{
    makePanel();
    QVERIFY(m_panel->contextMenu->gridAction->isChecked());

    m_panel->contextMenu->gridAction->trigger();
    QCOMPARE(m_settings->value(QStringLiteral("WidgetsPanel/alignedToTheGrid")), QVariant(false));
    m_settings->sync();
    QSettings onDisk(m_settings->fileName(), QSettings::IniFormat);
    QCOMPARE(onDisk.value(QStringLiteral("WidgetsPanel/alignedToTheGrid")).toBool(), false);

    makePanel();
    QVERIFY(!m_panel->contextMenu->gridAction->isChecked());

    // Only later moves follow the switch.
    XWidget* widget = makeWidget(QStringLiteral("w"), QPoint(13, 17));
    m_panel->contextMenu->gridAction->trigger();
    QCOMPARE(widget->pos(), QPoint(13, 17));
    QCOMPARE(m_settings->value(QStringLiteral("WidgetsPanel/alignedToTheGrid")), QVariant(true));
}

void tst_XWidgetPanel::adjustSize_data()
{
    QTest::addColumn<bool>("withWidget");
    QTest::addColumn<QSize>("minimum");
    QTest::newRow("empty panel") << false << QSize(300, 300);
    QTest::newRow("widget at (400, 50), 100 x 40") << true << QSize(500, 300);
}

void tst_XWidgetPanel::adjustSize()
{
    QFETCH(bool, withWidget);
    QFETCH(QSize, minimum);
    makePanel();
    if (withWidget)
        makeWidget(QStringLiteral("w"), QPoint(400, 50), QString(), QSize(100, 40));
    m_panel->resize(10, 10);
    action(QStringLiteral("Adjust size"))->trigger();
    if (withWidget) {
        QVERIFY(m_panel->width() >= minimum.width());
        QVERIFY(m_panel->height() >= minimum.height());
    } else {
        QCOMPARE(m_panel->size(), minimum);
    }
}

void tst_XWidgetPanel::getXWidgetByID()
{
    makePanel();
    m_panel->contextMenu->gridAction->setChecked(false);
    XWidget* onPanel = makeWidget(QStringLiteral("x"), QPoint(0, 0));
    XWidget* onPanelOnly = makeWidget(QStringLiteral("p"), QPoint(100, 0));
    makeGroup(QStringLiteral("First"), QPoint(0, 300));
    makeGroup(QStringLiteral("Second"), QPoint(300, 300));
    XWidget* inSecond = makeWidget(QStringLiteral("x"), QPoint(0, 0), QStringLiteral("Second"));
    XWidget* alsoInSecond = makeWidget(QStringLiteral("s"), QPoint(60, 0), QStringLiteral("Second"));

    QVERIFY(onPanel != inSecond);
    QCOMPARE(m_panel->getXWidgetByID(QStringLiteral("x")), inSecond);
    QCOMPARE(m_panel->getXWidgetByID(QStringLiteral("p")), onPanelOnly);
    QCOMPARE(m_panel->getXWidgetByID(QStringLiteral("s")), alsoInSecond);
    QVERIFY(!m_panel->getXWidgetByID(QStringLiteral("X")));
    QVERIFY(!m_panel->getXWidgetByID(QString()));
}

void tst_XWidgetPanel::getGroupByName()
{
    makePanel();
    XWidgetGroup* hall = makeGroup(QStringLiteral("Hall"), QPoint(0, 0));
    makeGroup(QStringLiteral("Hall"), QPoint(300, 0));
    QCOMPARE(m_panel->getGroupByName(QStringLiteral("Hall")), hall);
    QVERIFY(!m_panel->getGroupByName(QStringLiteral("hall")));
    QVERIFY(!m_panel->getGroupByName(QStringLiteral("Hall ")));
}

void tst_XWidgetPanel::findWidget_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("transcript");
    QTest::addColumn<bool>("animated");

    const QString input = QStringLiteral("input Find widget | ID | ");
    const QString notFound = QStringLiteral("box Find widget | Not found | OK | default OK");
    QTest::newRow("known ID drops the widget onto its place")
        << QStringLiteral("b") << QStringList { input } << true;
    QTest::newRow("unknown ID") << QStringLiteral("nope") << QStringList { input, notFound } << false;
    QTest::newRow("empty text") << QString() << QStringList { input, notFound } << false;
    QTest::newRow("cancelled") << QString::fromLatin1(ModalAnswerer::CANCEL) << QStringList { input }
                               << false;
}

void tst_XWidgetPanel::findWidget()
{
    QFETCH(QString, answer);
    QFETCH(bool, animated);
    makePanel();
    m_area->resize(300, 200);
    m_area->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_area));
    XWidget* far = makeWidget(QStringLiteral("b"), QPoint(900, 700));

    QFETCH(QStringList, transcript);
    QList<ModalAnswerer::Expected> expected { { "QInputDialog", "Find widget", answer } };
    if (transcript.size() > 1)
        expected << ModalAnswerer::Expected { "QMessageBox", "Find widget", "OK" };
    ModalAnswerer answerer(expected);
    action(QStringLiteral("Find widget by ID"))->trigger();
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(answerer.transcript, transcript);
    QCOMPARE(far->findChildren<QAbstractAnimation*>().size(), animated ? 1 : 0);
    if (animated) {
        QCOMPARE(far->pos(), QPoint(900, 690));
        QVERIFY(m_area->horizontalScrollBar()->value() > 0);
        QVERIFY(m_area->verticalScrollBar()->value() > 0);
    }
}

void tst_XWidgetPanel::scrollAreaKeepsPanelFilled()
{
    makePanel();
    m_area->resize(500, 300);
    m_area->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_area));
    const QSize visible(
        500 - m_area->verticalScrollBar()->width(), 300 - m_area->horizontalScrollBar()->height());
    QCOMPARE(m_panel->minimumSize(), visible);
    QVERIFY(m_panel->width() >= visible.width() && m_panel->height() >= visible.height());

    makeWidget(QStringLiteral("w"), QPoint(800, 600), QString(), QSize(50, 40));
    m_area->resize(400, 250);
    QTRY_VERIFY(m_panel->width() >= 850 && m_panel->height() >= 640);
}

QTEST_MAIN(tst_XWidgetPanel)
#include "tst_xwidgetpanel.moc"
