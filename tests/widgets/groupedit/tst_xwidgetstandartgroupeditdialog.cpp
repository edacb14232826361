#include "panelfixture.h"
#include "testappfolder.h"
#include "xwidgetpanel.h"
#include "xwidgetpanelscrollarea.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentsettings.h"
#include "xwidgetstandartgroupeditdialog.h"
#include "xwidgetstandartgroupeditdialogcomponentitem.h"
#include "xwidgetstandartsettings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSettings>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {
const char LIB[] = "GroupEditFixture";

QVariantMap componentMap(const QString& name, const QString& libName, QPoint position)
{
    return { { QStringLiteral("name"), name }, { QStringLiteral("libName"), libName },
        { QStringLiteral("position"), QVariantList { position.x(), position.y() } },
        { QStringLiteral("size"), QVariantList { 40, 30 } } };
}

// A hand-placed, user-sized, transparent 300 x 200 widget "W1" with the
// library components A, B, C and the value-only component V.
std::unique_ptr<XWidgetStandartSettings> makeRecord()
{
    const QList<QVariantMap> components { componentMap(QStringLiteral("A"), LIB, QPoint(20, 20)),
        componentMap(QStringLiteral("B"), LIB, QPoint(100, 20)),
        componentMap(QStringLiteral("V"), QString(), QPoint(0, 0)),
        componentMap(QStringLiteral("C"), LIB, QPoint(20, 100)) };
    QVariantMap indexed;
    for (int i = 0; i < components.size(); ++i)
        indexed.insert(QString::number(i), components.at(i));
    std::unique_ptr<XWidgetStandartSettings> record(new XWidgetStandartSettings);
    record->setMap(
        { { QStringLiteral("base"),
              QVariantMap { { QStringLiteral("id"), QStringLiteral("W1") },
                  { QStringLiteral("size"), QStringList { QStringLiteral("300"), QStringLiteral("200") } },
                  { QStringLiteral("userSize"), true } } },
            { QStringLiteral("components"), indexed }, { QStringLiteral("layout"), 2 },
            { QStringLiteral("transparent"), true } });
    return record;
}

XWidgetStandartComponent* byName(XWidgetStandart& widget, const QString& name)
{
    for (XWidgetStandartComponent* component : qAsConst(widget.components)) {
        if (component->settings->name == name)
            return component;
    }
    return nullptr;
}

XWidgetStandartGroupEditDialogComponentItem* row(XWidgetStandart& widget, const QString& name)
{
    for (XWidgetStandartGroupEditDialogComponentItem* item : qAsConst(widget.groupEditDialog->items)) {
        if (item->component->settings->name == name)
            return item;
    }
    return nullptr;
}

void sendMove(QWidget* target, QPoint at, Qt::MouseButtons buttons)
{
    // Sent directly: a synthesized move keeps the modifier state that the
    // press left in the application.
    QMouseEvent move(QEvent::MouseMove, at, target->mapToGlobal(at), Qt::NoButton, buttons,
        QGuiApplication::keyboardModifiers());
    QApplication::sendEvent(target, &move);
}
}

class tst_XWidgetStandartGroupEditDialog : public QObject, protected PanelFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void enterAndLeave();
    void geometryText_data();
    void geometryText();
    void groupMove_data();
    void groupMove();
    void cursorPosition_data();
    void cursorPosition();
    void edgeResize();
    void closingUnchecksEditMode();

};

void tst_XWidgetStandartGroupEditDialog::initTestCase()
{
    TestAppFolder::cleanOwnFolder();
    openSettings();
    createPanel();
}

void tst_XWidgetStandartGroupEditDialog::cleanupTestCase()
{
    destroyPanel();
}

void tst_XWidgetStandartGroupEditDialog::enterAndLeave()
{
    auto record = makeRecord();
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);
    QVERIFY(widget.transparent);

    widget.editModeAction->setChecked(true);
    QPointer<XWidgetStandartGroupEditDialog> dialog = widget.groupEditDialog;
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->objectName(), QStringLiteral("XWidgetStandartGroupEditDialog"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Editing component (W1)"));
    QVERIFY(dialog->isWindow());
    QCOMPARE(dialog->parentWidget(), &widget);
    QStringList rows;
    for (XWidgetStandartGroupEditDialogComponentItem* item : qAsConst(dialog->items))
        rows.append(item->selectBox->text());
    QCOMPARE(rows,
        QStringList({ QStringLiteral("A (GroupEditFixture)"), QStringLiteral("B (GroupEditFixture)"),
            QStringLiteral("C (GroupEditFixture)") }));
    QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("fastEdit")));
    QVERIFY(byName(widget, QStringLiteral("A"))->editMode());
    QVERIFY(!widget.transparent);
    QVERIFY(widget.groupEditTimer->isActive());
    QVERIFY(widget.hasMouseTracking());
    QVERIFY(!widget.settingsAction->isEnabled());

    // A change of the action other than its check state opens no second dialog.
    widget.editModeAction->setText(QStringLiteral("Edit mode"));
    widget.editModeAction->setToolTip(QStringLiteral("tip"));
    QCOMPARE(widget.groupEditDialog, dialog.data());
    QCOMPARE(widget.findChildren<XWidgetStandartGroupEditDialog*>().size(), 1);

    dialog->positionBox->setChecked(true);
    row(widget, QStringLiteral("C"))->selectBox->setChecked(true);
    row(widget, QStringLiteral("A"))->selectBox->setChecked(true);
    row(widget, QStringLiteral("B"))->mouseBox->setChecked(true);
    QVERIFY(byName(widget, QStringLiteral("B"))->testAttribute(Qt::WA_TransparentForMouseEvents));
    dialog->setGeometry(QRect(40, 50, 333, 222));
    const QByteArray geometry = dialog->saveGeometry();

    widget.editModeAction->setChecked(false);
    QVERIFY(!widget.groupEditDialog);
    QTRY_VERIFY(!dialog);
    QVERIFY(!byName(widget, QStringLiteral("A"))->editMode());
    QVERIFY(!byName(widget, QStringLiteral("B"))->testAttribute(Qt::WA_TransparentForMouseEvents));
    QVERIFY(widget.transparent);
    QVERIFY(!widget.groupEditTimer->isActive());
    QVERIFY(!widget.hasMouseTracking());
    QVERIFY(widget.settingsAction->isEnabled());
    const QVariantMap state = widget.groupEditDialogSettings.toMap();
    QCOMPARE(state.value(QStringLiteral("checkedList")).toStringList(),
        QStringList({ QStringLiteral("A"), QStringLiteral("C") }));
    QCOMPARE(state.value(QStringLiteral("p_position")).toBool(), true);
    QCOMPARE(state.value(QStringLiteral("p_size")).toBool(), false);

    widget.editModeAction->setChecked(true);
    QVERIFY(widget.groupEditDialog->positionBox->isChecked());
    QVERIFY(!widget.groupEditDialog->sizeBox->isChecked());
    QCOMPARE(widget.groupEditDialog->checkedComponentNames(),
        QStringList({ QStringLiteral("A"), QStringLiteral("C") }));
    QCOMPARE(widget.groupEditDialog->saveGeometry(), geometry);
    widget.groupEditDialog->uncheckAll();
    QVERIFY(widget.groupEditDialog->checkedComponentNames().isEmpty());
    widget.groupEditDialog->checkAll();
    QCOMPARE(widget.groupEditDialog->checkedComponentNames().size(), 3);
}

void tst_XWidgetStandartGroupEditDialog::geometryText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");

    const QString unchanged = QStringLiteral("p=20x20, s=40x30");
    QTest::newRow("blanks and tabs anywhere")
        << QStringLiteral(" p = 10 x\t20 , s=30x40") << QStringLiteral("p=10x20, s=30x40");
    QTest::newRow("size only") << QStringLiteral("s=50x60") << QStringLiteral("p=20x20, s=50x60");
    QTest::newRow("below the minimum size") << QStringLiteral("s=5x5") << QStringLiteral("p=20x20, s=10x10");
    QTest::newRow("missing second number") << QStringLiteral("p=10x") << unchanged;
    QTest::newRow("not a number") << QStringLiteral("p=ax20") << unchanged;
    QTest::newRow("three pieces") << QStringLiteral("p=1x2x3") << unchanged;
    QTest::newRow("upper-case key") << QStringLiteral("P=10x20") << unchanged;
    QTest::newRow("upper-case separator") << QStringLiteral("p=10X20") << unchanged;
    QTest::newRow("kept inside the widget")
        << QStringLiteral("p=1000x1000") << QStringLiteral("p=260x170, s=40x30");
    QTest::newRow("garbage") << QStringLiteral(",,x=3,") << unchanged;
}

void tst_XWidgetStandartGroupEditDialog::geometryText()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);

    auto record = makeRecord();
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);
    widget.editModeAction->setChecked(true);
    XWidgetStandartGroupEditDialogComponentItem* item = row(widget, QStringLiteral("A"));
    QCOMPARE(item->geometryEdit->text(), QStringLiteral("p=20x20, s=40x30"));

    item->geometryEdit->setText(typed);
    emit item->geometryEdit->editingFinished();

    QCOMPARE(item->geometryEdit->text(), shown);
    XWidgetStandartComponent* component = byName(widget, QStringLiteral("A"));
    QCOMPARE(QStringLiteral("p=%1x%2, s=%3x%4")
                 .arg(component->x())
                 .arg(component->y())
                 .arg(component->width())
                 .arg(component->height()),
        shown);
}

void tst_XWidgetStandartGroupEditDialog::groupMove_data()
{
    QTest::addColumn<bool>("position");
    QTest::addColumn<bool>("size");
    QTest::addColumn<QString>("dragged");
    QTest::addColumn<bool>("resize");
    QTest::addColumn<QRect>("expectedB");
    QTest::addColumn<QRect>("expectedC");

    const QRect b(100, 20, 40, 30);
    const QRect c(20, 100, 40, 30);
    // A and B are selected, C is not; a drag goes by (10, 5), a resize widens by 10.
    QTest::newRow("moving A moves B") << true << false << "A" << false << b.translated(10, 5) << c;
    QTest::newRow("moving without Position") << false << true << "A" << false << b << c;
    QTest::newRow("moving unselected C moves only C")
        << true << true << "C" << false << b << c.translated(10, 5);
    QTest::newRow("resizing A widens B") << false << true << "A" << true << b.adjusted(0, 0, 10, 0) << c;
    QTest::newRow("resizing without Size") << true << false << "A" << true << b << c;
}

void tst_XWidgetStandartGroupEditDialog::groupMove()
{
    QFETCH(bool, position);
    QFETCH(bool, size);
    QFETCH(QString, dragged);
    QFETCH(bool, resize);
    QFETCH(QRect, expectedB);
    QFETCH(QRect, expectedC);

    auto record = makeRecord();
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);
    widget.editModeAction->setChecked(true);
    widget.groupEditDialog->positionBox->setChecked(position);
    widget.groupEditDialog->sizeBox->setChecked(size);
    row(widget, QStringLiteral("A"))->selectBox->setChecked(true);
    row(widget, QStringLiteral("B"))->selectBox->setChecked(true);

    XWidgetStandartComponent* component = byName(widget, dragged);
    const QRect before = component->geometry();
    if (resize) {
        const QPoint edge(38, 10);
        sendMove(component, edge, Qt::NoButton);
        QTest::mousePress(component, Qt::LeftButton, Qt::NoModifier, edge);
        sendMove(component, edge + QPoint(10, 0), Qt::LeftButton);
        QTest::mouseRelease(component, Qt::LeftButton, Qt::NoModifier, edge + QPoint(10, 0));
        QCOMPARE(component->geometry(), before.adjusted(0, 0, 10, 0));
    } else {
        const QPoint grab(10, 10);
        QTest::mousePress(component, Qt::LeftButton, Qt::ControlModifier, grab);
        sendMove(component, grab + QPoint(10, 5), Qt::LeftButton);
        QTest::mouseRelease(component, Qt::LeftButton, Qt::NoModifier, grab + QPoint(10, 5));
        QCOMPARE(component->geometry(), before.translated(10, 5));
    }

    QCOMPARE(byName(widget, QStringLiteral("B"))->geometry(), expectedB);
    QCOMPARE(byName(widget, QStringLiteral("C"))->geometry(), expectedC);
    XWidgetStandartComponent* b = byName(widget, QStringLiteral("B"));
    QCOMPARE(row(widget, QStringLiteral("B"))->geometryEdit->text(),
        QStringLiteral("p=%1x%2, s=%3x%4").arg(b->x()).arg(b->y()).arg(b->width()).arg(b->height()));
}

void tst_XWidgetStandartGroupEditDialog::cursorPosition_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QString>("shown");

    QTest::newRow("inside") << QPoint(12, 34) << QStringLiteral("Cursor position: 12x34");
    QTest::newRow("on the bottom-right border line")
        << QPoint(300, 200) << QStringLiteral("Cursor position: 300x200");
    QTest::newRow("left of the widget") << QPoint(-1, 34) << QStringLiteral("Cursor position: -x-");
    QTest::newRow("above the widget") << QPoint(12, -1) << QStringLiteral("Cursor position: -x-");
    QTest::newRow("right of the widget") << QPoint(301, 34) << QStringLiteral("Cursor position: -x-");
}

void tst_XWidgetStandartGroupEditDialog::cursorPosition()
{
    QFETCH(QPoint, at);
    QFETCH(QString, shown);

    auto record = makeRecord();
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);
    QCOMPARE(widget.size(), QSize(300, 200));
    widget.editModeAction->setChecked(true);
    QCOMPARE(widget.groupEditTimer->interval(), 250);
    QVERIFY(widget.groupEditDialog->cursorLabel->text().isEmpty());

    QCursor::setPos(widget.mapToGlobal(at));
    QTRY_COMPARE_WITH_TIMEOUT(widget.groupEditDialog->cursorLabel->text(), shown, 1000);
}

void tst_XWidgetStandartGroupEditDialog::edgeResize()
{
    auto record = makeRecord();
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);

    // Outside edit mode the edge band is nothing special.
    sendMove(&widget, QPoint(298, 50), Qt::NoButton);
    QVERIFY(!widget.testAttribute(Qt::WA_SetCursor));

    widget.editModeAction->setChecked(true);
    sendMove(&widget, QPoint(295, 50), Qt::NoButton);
    QVERIFY(!widget.testAttribute(Qt::WA_SetCursor));
    sendMove(&widget, QPoint(296, 50), Qt::NoButton);
    QCOMPARE(widget.cursor().shape(), Qt::SizeHorCursor);
    sendMove(&widget, QPoint(50, 199), Qt::NoButton);
    QCOMPARE(widget.cursor().shape(), Qt::SizeVerCursor);
    sendMove(&widget, QPoint(297, 197), Qt::NoButton);
    QCOMPARE(widget.cursor().shape(), Qt::SizeFDiagCursor);

    const QPoint start = widget.pos();
    QTest::mousePress(&widget, Qt::LeftButton, Qt::NoModifier, QPoint(297, 197));
    QVERIFY(widget.resizeBoth);
    sendMove(&widget, QPoint(317, 207), Qt::LeftButton);
    QCOMPARE(widget.size(), QSize(320, 210));
    QCOMPARE(widget.pos(), start);
    QTest::mouseRelease(&widget, Qt::LeftButton, Qt::NoModifier, QPoint(317, 207));
    QVERIFY(!widget.resizeBoth);
    QVERIFY(!widget.testAttribute(Qt::WA_SetCursor));

    // With Ctrl the band gives no resize cursor and a press does not resize.
    QTest::mousePress(&widget, Qt::LeftButton, Qt::ControlModifier, QPoint(318, 100));
    sendMove(&widget, QPoint(318, 100), Qt::LeftButton);
    QVERIFY(!widget.testAttribute(Qt::WA_SetCursor));
    QVERIFY(!widget.resizeWidth && !widget.resizeBoth);
    QTest::mouseRelease(&widget, Qt::LeftButton, Qt::NoModifier, QPoint(318, 100));
    QCOMPARE(widget.size(), QSize(320, 210));
}

void tst_XWidgetStandartGroupEditDialog::closingUnchecksEditMode()
{
    auto record = makeRecord();
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);
    widget.editModeAction->setChecked(true);
    QPointer<XWidgetStandartGroupEditDialog> dialog = widget.groupEditDialog;

    dialog->close();

    QVERIFY(!widget.editModeAction->isChecked());
    QVERIFY(!widget.groupEditDialog);
    QTRY_VERIFY(!dialog);
    QVERIFY(!widget.groupEditTimer->isActive());
    QVERIFY(widget.groupEditDialogSettings.toMap().contains(QStringLiteral("geometry")));
}

QTEST_MAIN(tst_XWidgetStandartGroupEditDialog)
#include "tst_xwidgetstandartgroupeditdialog.moc"
