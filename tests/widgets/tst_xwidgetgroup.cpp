#include "modalanswerer.h"
#include "mousedriver.h"
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

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

class tst_XWidgetGroup : public QObject, protected PanelFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void construction();
    void ctrlDrag_data();
    void ctrlDrag();
    void edgeResize_data();
    void edgeResize();
    void deleteGroup_data();
    void deleteGroup();
    void adjastSize();
    void imageMenu();
    void frameShownOnlyWhileMoving();
    void widgetList();

private:
    XWidgetGroup* makeGroup(const QString& name, QPoint position, QSize size);
    XWidget* makeWidget(const QString& id, QPoint position, const QString& group);
    QStringList openImageMenu(XWidgetGroup* group);
    static QAction* entry(QMenu* menu, const QString& text);
    static void writePicture(const QString& relative, QSize size = QSize(16, 16));
};

namespace {
QString contentPath(const QString& relative)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/content/") + relative;
}

// True when every pixel outside `except` has one colour: nothing but the
// background was painted there.
bool plainOutside(const QImage& image, const QRect& except)
{
    const QRgb background = image.pixel(image.width() - 1, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!except.contains(x, y) && image.pixel(x, y) != background)
                return false;
        }
    }
    return true;
}
}

void tst_XWidgetGroup::init()
{
    TestAppFolder::cleanOwnFolder();
    openSettings();
    createPanel(QSize(700, 500));
    m_panel->contextMenu->gridAction->setChecked(false);
}

void tst_XWidgetGroup::cleanup()
{
    destroyPanel();
    TestAppFolder::cleanOwnFolder();
}

XWidgetGroup* tst_XWidgetGroup::makeGroup(const QString& name, QPoint position, QSize size)
{
    return addGroup(addGroupRecord(name, position, size));
}

XWidget* tst_XWidgetGroup::makeWidget(const QString& id, QPoint position, const QString& group)
{
    auto* widget = new XWidget(addWidgetRecord(id, position, group, QSize(60, 50)), m_panel);
    widget->acceptSettings();
    return widget;
}

QAction* tst_XWidgetGroup::entry(QMenu* menu, const QString& text)
{
    const QList<QAction*> actions = menu->actions();
    for (QAction* candidate : actions) {
        if (candidate->text() == text)
            return candidate;
    }
    return nullptr;
}

void tst_XWidgetGroup::writePicture(const QString& relative, QSize size)
{
    QDir().mkpath(QFileInfo(contentPath(relative)).absolutePath());
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(contentPath(relative), "PNG"));
}

// Opens the group's context menu as the operator does and returns the
// entries of its "Image" submenu, "*" marking the checked one.
QStringList tst_XWidgetGroup::openImageMenu(XWidgetGroup* group)
{
    QStringList entries;
    ModalAnswerer answerer({ { "QMenu", "", QString(), [&](QWidget*) {
        const QList<QAction*> actions = group->imageMenu->actions();
        for (QAction* action : actions)
            entries << (action->isChecked() ? QStringLiteral("*") : QString()) + action->text();
        group->menu->close();
    } } });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20), group->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(group, &event);
    // The failure takes the place of the entries, so the caller's comparison shows it.
    if (!answerer.failure().isEmpty())
        return { answerer.failure() };
    entries.sort();
    return entries;
}

void tst_XWidgetGroup::construction()
{
    m_panel->contextMenu->gridAction->setChecked(true);
    XWidgetGroup* group = makeGroup(QStringLiteral("Hall"), QPoint(23, 47), QSize(120, 90));
    QCOMPARE(group->objectName(), QStringLiteral("XWidgetGroup"));
    QCOMPARE(group->title(), QStringLiteral("Hall"));
    QVERIFY(group->hasMouseTracking());
    QCOMPARE(group->pos(), QPoint(20, 40));
    QCOMPARE(group->settings->position, QPoint(20, 40));
    QCOMPARE(group->size(), QSize(120, 90));

    QStringList texts;
    const QList<QAction*> actions = group->menu->actions();
    for (QAction* action : actions)
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(texts,
        (QStringList { "Aligned to the grid", "Adjast size", "-", "Add the standart widget", "-", "Use image",
            "Image", "-", "Delete group" }));
    QCOMPARE(group->imageMenu->menuAction(), actions.at(6));
    QVERIFY(group->gridAction->isChecked());
    QVERIFY(!group->useImageAction->isChecked());

    group->gridAction->trigger();
    QVERIFY(!group->settings->alignedToTheGrid);
    group->useImageAction->trigger();
    QVERIFY(group->settings->useImage);
    QSignalSpy makeWidget(group, &XWidgetGroup::makeStandartWidgetClicked);
    entry(group->menu, QStringLiteral("Add the standart widget"))->trigger();
    QCOMPARE(makeWidget.count(), 1);

    const QMetaObject& meta = XWidgetGroup::staticMetaObject;
    QStringList signatures;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        signatures << QString::fromLatin1(meta.method(i).methodSignature());
    QCOMPARE(signatures,
        (QStringList { "groupDelete(XWidgetGroup*)", "makeStandartWidgetClicked()",
            "alignedToTheGridToggled(bool)", "sizeAdjust()", "useImageToggled(bool)", "imageChanged()",
            "widgetDestroyed(QObject*)", "deleteGroup()" }));
}

void tst_XWidgetGroup::ctrlDrag_data()
{
    QTest::addColumn<bool>("panelGrid");
    QTest::addColumn<QPoint>("target");
    QTest::addColumn<QPoint>("expected");

    QTest::newRow("5-pixel steps") << false << QPoint(23, 17) << QPoint(20, 15);
    QTest::newRow("then the panel grid") << true << QPoint(23, 17) << QPoint(20, 10);
    QTest::newRow("left and top clamp at 0") << false << QPoint(-30, -20) << QPoint(0, 0);
    // Resolved against the panel's size when the drag starts.
    QTest::newRow("50 pixels inside the bottom-right") << false << QPoint(640, 460) << QPoint(-50, -50);
}

void tst_XWidgetGroup::ctrlDrag()
{
    QFETCH(bool, panelGrid);
    QFETCH(QPoint, target);
    QFETCH(QPoint, expected);
    m_panel->contextMenu->gridAction->setChecked(panelGrid);
    XWidgetGroup* group = makeGroup(QStringLiteral("Hall"), QPoint(100, 100), QSize(100, 80));
    const QSize panelBefore = m_panel->size();
    if (expected == QPoint(-50, -50)) {
        expected = QPoint(((panelBefore.width() - 50) / 5) * 5, ((panelBefore.height() - 50) / 5) * 5);
    }

    const QPoint grip(10, 10);
    MouseDriver::press(m_panel, group->pos() + grip, Qt::ControlModifier);
    MouseDriver::move(m_panel, target + grip, Qt::ControlModifier);
    QVERIFY(group->moving);
    QCOMPARE(group->pos(), expected);
    QCOMPARE(group->settings->position, expected);
    QCOMPARE(group->settings->size, QSize(100, 80));
    QVERIFY(m_panel->width() >= qMax(panelBefore.width(), expected.x() + 100));
    QVERIFY(m_panel->height() >= qMax(panelBefore.height(), expected.y() + 80));
    MouseDriver::release(m_panel, target + grip, Qt::ControlModifier);
    QVERIFY(!group->moving);

    // Moving back does not shrink the panel.
    const QSize grown = m_panel->size();
    MouseDriver::press(m_panel, group->pos() + grip, Qt::ControlModifier);
    MouseDriver::move(m_panel, QPoint(0, 0) + grip, Qt::ControlModifier);
    MouseDriver::release(m_panel, QPoint(0, 0) + grip, Qt::ControlModifier);
    QCOMPARE(group->pos(), QPoint(0, 0));
    QCOMPARE(m_panel->size(), grown);
}

void tst_XWidgetGroup::edgeResize_data()
{
    QTest::addColumn<QPoint>("grip");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QList<QPoint>>("moves");
    QTest::addColumn<QSize>("expected");

    // The group is 200 x 150; positions are the group's own.
    QTest::newRow("right band: width, in steps")
        << QPoint(198, 75) << int(Qt::SizeHorCursor) << QList<QPoint> { { 20, 10 }, { 40, 30 } }
        << QSize(240, 150);
    QTest::newRow("right band starts 4 pixels in")
        << QPoint(196, 75) << int(Qt::SizeHorCursor) << QList<QPoint> { { 10, 0 } } << QSize(210, 150);
    QTest::newRow("5 pixels in is no band")
        << QPoint(195, 75) << int(Qt::ArrowCursor) << QList<QPoint> { { 10, 10 } } << QSize(200, 150);
    QTest::newRow("bottom band: height")
        << QPoint(100, 148) << int(Qt::SizeVerCursor) << QList<QPoint> { { 40, 30 } } << QSize(200, 180);
    QTest::newRow("corner: both") << QPoint(198, 148) << int(Qt::SizeFDiagCursor)
                                  << QList<QPoint> { { 40, 30 } } << QSize(240, 180);
    QTest::newRow("width below 50 gives 50")
        << QPoint(198, 75) << int(Qt::SizeHorCursor) << QList<QPoint> { { -190, 0 } } << QSize(50, 150);
    QTest::newRow("height below 50 gives 50")
        << QPoint(100, 148) << int(Qt::SizeVerCursor) << QList<QPoint> { { 0, -140 } } << QSize(200, 50);
    QTest::newRow("corner below 50 gives 50 x 50")
        << QPoint(198, 148) << int(Qt::SizeFDiagCursor) << QList<QPoint> { { -170, -120 } } << QSize(50, 50);
}

void tst_XWidgetGroup::edgeResize()
{
    QFETCH(QPoint, grip);
    QFETCH(QList<QPoint>, moves);
    XWidgetGroup* group = makeGroup(QStringLiteral("Hall"), QPoint(100, 100), QSize(200, 150));
    const QPoint origin = group->pos();

    MouseDriver::move(m_panel, origin + grip - QPoint(30, 30));
    MouseDriver::move(m_panel, origin + grip);
    QTEST(int(group->cursor().shape()), "cursor");

    MouseDriver::press(m_panel, origin + grip);
    for (const QPoint& delta : qAsConst(moves))
        MouseDriver::move(m_panel, origin + grip + delta);
    MouseDriver::release(m_panel, origin + grip + moves.last());

    QTEST(group->size(), "expected");
    QTEST(group->settings->size, "expected");
    QCOMPARE(group->pos(), origin);
    QVERIFY(!group->resizeWidth && !group->resizeHeight && !group->resizeBoth);
}

void tst_XWidgetGroup::deleteGroup_data()
{
    QTest::addColumn<bool>("holdsWidget");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("deleteRequested");

    const QString question = QStringLiteral("box Deleting group | Are you sure? | No,Yes | default No");
    QTest::newRow("holding a widget")
        << true << QStringLiteral("OK")
        << QStringLiteral(
               "box Deleting group | Removal is not possible because the group contains Widgets | OK | "
               "default OK")
        << false;
    QTest::newRow("empty, answered No") << false << QStringLiteral("No") << question << false;
    QTest::newRow("empty, answered Yes") << false << QStringLiteral("Yes") << question << true;
}

void tst_XWidgetGroup::deleteGroup()
{
    QFETCH(bool, holdsWidget);
    QFETCH(QString, answer);
    QFETCH(QString, shown);
    XWidgetGroup* group = makeGroup(QStringLiteral("Hall"), QPoint(100, 100), QSize(200, 150));
    if (holdsWidget)
        makeWidget(QStringLiteral("w"), QPoint(10, 10), QStringLiteral("Hall"));
    QSignalSpy spy(group, &XWidgetGroup::groupDelete);

    ModalAnswerer answerer({ { "QMessageBox", "Deleting group", answer } });
    entry(group->menu, QStringLiteral("Delete group"))->trigger();
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(answerer.transcript, QStringList { shown });
    QTEST(spy.count() == 1, "deleteRequested");
    if (spy.count() == 1)
        QCOMPARE(spy.at(0).at(0).value<XWidgetGroup*>(), group);
}

void tst_XWidgetGroup::adjastSize()
{
    XWidgetGroup* group = makeGroup(QStringLiteral("Hall"), QPoint(100, 100), QSize(300, 300));
    makeWidget(QStringLiteral("w"), QPoint(20, 30), QStringLiteral("Hall"));
    group->move(140, 120);
    entry(group->menu, QStringLiteral("Adjast size"))->trigger();
    QVERIFY(group->size() != QSize(300, 300));
    QVERIFY(group->width() >= 80 && group->height() >= 80);
    QCOMPARE(group->settings->size, group->size());
    QCOMPARE(group->settings->position, QPoint(140, 120));
}

void tst_XWidgetGroup::imageMenu()
{
    XWidgetGroup* group = makeGroup(QStringLiteral("Hall"), QPoint(100, 100), QSize(200, 150));
    QCOMPARE(openImageMenu(group), QStringList());

    writePicture(QStringLiteral("a.png"));
    writePicture(QStringLiteral("plans/b.jpg"));
    writePicture(QStringLiteral("plans/deep/c.bmp"));
    QDir().mkpath(contentPath(QString()));
    QFile text(contentPath(QStringLiteral("notes.txt")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.close();
    QVERIFY(QFile::link(contentPath(QStringLiteral("a.png")), contentPath(QStringLiteral("link.png"))));
    group->settings->imageFile = QStringLiteral("plans/b.jpg");

    QCOMPARE(openImageMenu(group), (QStringList { "*plans/b.jpg", "a.png", "plans/deep/c.bmp" }));
    QVERIFY(!entry(group->imageMenu, QStringLiteral("a.png"))->icon().isNull());

    entry(group->imageMenu, QStringLiteral("a.png"))->trigger();
    QCOMPARE(group->settings->imageFile, QStringLiteral("a.png"));
    QVERIFY(!group->bgImage.isNull());
    // Unchecking the chosen entry keeps it chosen.
    entry(group->imageMenu, QStringLiteral("a.png"))->trigger();
    QCOMPARE(group->settings->imageFile, QStringLiteral("a.png"));

    writePicture(QStringLiteral("new.gif"));
    QStringList rebuilt = openImageMenu(group);
    QCOMPARE(rebuilt, (QStringList { "*a.png", "new.gif", "plans/b.jpg", "plans/deep/c.bmp" }));
}

void tst_XWidgetGroup::frameShownOnlyWhileMoving()
{
    writePicture(QStringLiteral("mark.png"), QSize(20, 20));
    XWidgetGroup* group = makeGroup(QStringLiteral("Hall"), QPoint(100, 100), QSize(120, 100));
    const QRect picture(0, 0, 20, 20);
    QVERIFY(!plainOutside(group->grab().toImage(), picture));

    group->settings->imageFile = QStringLiteral("mark.png");
    group->useImageAction->trigger();
    QVERIFY(!group->bgImage.isNull());
    const QImage rest = group->grab().toImage();
    QCOMPARE(rest.pixel(5, 5), qRgb(255, 0, 0));
    QVERIFY(plainOutside(rest, picture));

    const QPoint grip(60, 50);
    MouseDriver::press(m_panel, group->pos() + grip, Qt::ControlModifier);
    MouseDriver::move(m_panel, group->pos() + grip + QPoint(20, 20), Qt::ControlModifier);
    const QImage moving = group->grab().toImage();
    QCOMPARE(moving.pixel(5, 5), qRgb(255, 0, 0));
    QVERIFY(!plainOutside(moving, picture));
    MouseDriver::release(m_panel, group->pos() + grip, Qt::ControlModifier);
    QVERIFY(plainOutside(group->grab().toImage(), picture));

    group->settings->imageFile = QStringLiteral("missing.png");
    group->updateBgimage();
    QVERIFY(group->bgImage.isNull());
    QVERIFY(!plainOutside(group->grab().toImage(), picture));
}

void tst_XWidgetGroup::widgetList()
{
    XWidgetGroup* group = makeGroup(QStringLiteral("Hall"), QPoint(100, 100), QSize(200, 150));
    XWidget* first = makeWidget(QStringLiteral("a"), QPoint(0, 0), QStringLiteral("Hall"));
    XWidget* second = makeWidget(QStringLiteral("b"), QPoint(60, 0), QStringLiteral("Hall"));
    XWidget* outside = makeWidget(QStringLiteral("c"), QPoint(0, 0), QString());
    QCOMPARE(group->widgets, (QList<XWidget*> { first, second }));
    QCOMPARE(first->parentWidget(), group);

    group->removeXWidget(outside, true);
    QCOMPARE(outside->parentWidget(), m_panel);
    QCOMPARE(group->widgets.size(), 2);

    group->removeXWidget(first, false);
    QCOMPARE(group->widgets, QList<XWidget*> { second });
    QCOMPARE(first->parentWidget(), group);
    delete first;
    QCOMPARE(group->widgets, QList<XWidget*> { second });

    delete second;
    QVERIFY(group->widgets.isEmpty());

    // A group that dies holding widgets takes them along without touching
    // its own list after it is gone.
    XWidgetGroup* full = makeGroup(QStringLiteral("Yard"), QPoint(400, 100), QSize(200, 150));
    QPointer<XWidget> held = makeWidget(QStringLiteral("d"), QPoint(0, 0), QStringLiteral("Yard"));
    m_panel->groups->removeAll(full);
    delete full;
    QVERIFY(held.isNull());
}

QTEST_MAIN(tst_XWidgetGroup)
#include "tst_xwidgetgroup.moc"
