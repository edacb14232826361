#include "modalanswerer.h"
#include "panelfixture.h"
#include "testappfolder.h"
#include "xwidget.h"
#include "xwidgetbasesettingsdialog.h"
#include "xwidgetcontextmenu.h"
#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetpanel.h"
#include "xwidgetpanelcontextmenu.h"
#include "xwidgetpanelscrollarea.h"
#include "xwidgetsettings.h"
#include "xwidgetsglobals.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

namespace {
using Drive = std::function<void(XWidgetBaseSettingsDialog*)>;

// Opens the widget's base settings through its context menu and hands the
// dialog to `drive`; `then` are the dialogs that driving it opens. A dialog
// that `drive` leaves open is rejected. Returns the answerer's failure, empty
// when every dialog came as expected.
QString driveBaseSettings(XWidget* widget, const Drive& drive,
    const QList<ModalAnswerer::Expected>& then = QList<ModalAnswerer::Expected>(), QStringList* transcript = nullptr)
{
    QList<ModalAnswerer::Expected> expected { { "XWidgetBaseSettingsDialog", "", QString(), [&](QWidget* modal) {
        QPointer<XWidgetBaseSettingsDialog> dialog = static_cast<XWidgetBaseSettingsDialog*>(modal);
        drive(dialog);
        if (dialog && dialog->isVisible())
            dialog->reject();
    } } };
    expected << then;
    ModalAnswerer answerer(expected);
    widget->contextMenu->actions().at(0)->trigger();
    if (transcript)
        *transcript = answerer.transcript;
    return answerer.failure();
}

void typeInto(QWidget* field, const QString& text)
{
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    else
        QTest::keyClicks(field, text);
}

void chooseGroup(QComboBox* combo, const QString& name)
{
    const int index = combo->findText(name);
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < index; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
}

QPushButton* buttonWithText(QWidget* dialog, const QString& text)
{
    const QList<QPushButton*> buttons = dialog->findChildren<QPushButton*>();
    for (QPushButton* button : buttons) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

// A widget with content of its own, so its natural size is not the minimum.
class ContentWidget : public XWidget
{
public:
    ContentWidget(XWidgetSettings* settings, QWidget* parent)
        : XWidget(settings, parent)
    {
        mainLayout->addWidget(new QLabel(QStringLiteral("Natural size of this widget"), this));
    }
};
}

class tst_XWidgetBaseSettingsDialog : public QObject, protected PanelFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opensWithRecord_data();
    void opensWithRecord();
    void positionMovesLive_data();
    void positionMovesLive();
    void identifier_data();
    void identifier();
    void group_data();
    void group();
    void joiningGrowsTheGroup_data();
    void joiningGrowsTheGroup();
    void size_data();
    void size();

private:
    XWidget* makeWidget(const QString& id, QPoint position, const QString& group = QString());
    XWidgetGroup* makeGroup(const QString& name, QPoint position, QSize size = QSize(250, 200));
};

void tst_XWidgetBaseSettingsDialog::init()
{
    TestAppFolder::cleanOwnFolder();
    openSettings();
    createPanel(QSize(700, 500));
}

void tst_XWidgetBaseSettingsDialog::cleanup()
{
    destroyPanel();
}

XWidget* tst_XWidgetBaseSettingsDialog::makeWidget(const QString& id, QPoint position, const QString& group)
{
    auto* widget = new ContentWidget(addWidgetRecord(id, position, group, QSize(70, 60)), m_panel);
    widget->acceptSettings();
    return widget;
}

XWidgetGroup* tst_XWidgetBaseSettingsDialog::makeGroup(const QString& name, QPoint position, QSize size)
{
    return addGroup(addGroupRecord(name, position, size));
}

void tst_XWidgetBaseSettingsDialog::opensWithRecord_data()
{
    QTest::addColumn<QString>("recordGroup");
    QTest::addColumn<QString>("shownGroup");

    QTest::newRow("no group: the empty entry") << QString() << QString();
    QTest::newRow("an existing group is selected") << QStringLiteral("Yard") << QStringLiteral("Yard");
    QTest::newRow("a missing group shows the empty entry") << QStringLiteral("Gone") << QString();
    QTest::newRow("names are matched with their case") << QStringLiteral("yard") << QString();
}

void tst_XWidgetBaseSettingsDialog::opensWithRecord()
{
    QFETCH(QString, recordGroup);
    makeGroup(QStringLiteral("Hall"), QPoint(300, 0));
    makeGroup(QStringLiteral("Yard"), QPoint(300, 250));
    m_panel->contextMenu->gridAction->setChecked(false);
    XWidget* widget = makeWidget(QStringLiteral("pump-7"), QPoint(33, 47));
    widget->widgetSettings->group = recordGroup;
    widget->resize(77, 66);
    // Opening must not snap the widget to the grid that is on now.
    m_panel->contextMenu->gridAction->setChecked(true);

    XWidgetBaseSettingsDialog dialog(widget->widgetSettings, widget, widget);
    QCOMPARE(dialog.parentWidget(), widget);
    QVERIFY(dialog.testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(dialog.windowTitle().isEmpty());
    QStringList entries;
    for (int i = 0; i < dialog.groupCombo->count(); ++i)
        entries << dialog.groupCombo->itemText(i);
    QCOMPARE(entries, (QStringList { QString(), "Hall", "Yard" }));
    QTEST(dialog.groupCombo->currentText(), "shownGroup");
    QCOMPARE(dialog.idEdit->text(), QStringLiteral("pump-7"));
    QVERIFY(dialog.userSizeBox->isChecked());
    QCOMPARE(QSize(dialog.widthSpin->value(), dialog.heightSpin->value()), QSize(70, 60));
    QCOMPARE(QPoint(dialog.xSpin->value(), dialog.ySpin->value()), QPoint(33, 47));
    QCOMPARE(widget->pos(), QPoint(33, 47));
    QStringList labels;
    const QList<QLabel*> children = dialog.findChildren<QLabel*>();
    for (QLabel* label : children)
        labels << label->text();
    QVERIFY2(labels.contains(QStringLiteral("Current size 77x66")), qPrintable(labels.join(" / ")));

    QTest::mouseClick(buttonWithText(&dialog, QStringLiteral("^")), Qt::LeftButton);
    QCOMPARE(QSize(dialog.widthSpin->value(), dialog.heightSpin->value()), QSize(77, 66));
    QCOMPARE(widget->widgetSettings->size, QSize(70, 60));
}

void tst_XWidgetBaseSettingsDialog::positionMovesLive_data()
{
    QTest::addColumn<bool>("panelGrid");
    QTest::addColumn<QPoint>("expected");

    QTest::newRow("grid on: snapped at once") << true << QPoint(20, 130);
    QTest::newRow("grid off: as typed") << false << QPoint(27, 134);
}

void tst_XWidgetBaseSettingsDialog::positionMovesLive()
{
    QFETCH(bool, panelGrid);
    QFETCH(QPoint, expected);
    m_panel->contextMenu->gridAction->setChecked(panelGrid);
    XWidget* widget = makeWidget(QStringLiteral("w"), QPoint(100, 100));

    QPoint whileOpen;
    const QString failure = driveBaseSettings(widget, [&](XWidgetBaseSettingsDialog* dialog) {
        typeInto(dialog->xSpin, QStringLiteral("27"));
        typeInto(dialog->ySpin, QStringLiteral("134"));
        whileOpen = widget->pos();
        QCOMPARE(dialog->xSpin->value(), 27);
        QCOMPARE(dialog->ySpin->value(), 134);
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(whileOpen, expected);
    // Cancelling keeps the move: the record followed the spins.
    QCOMPARE(widget->pos(), expected);
    QCOMPARE(widget->widgetSettings->position, expected);
}

void tst_XWidgetBaseSettingsDialog::identifier_data()
{
    QTest::addColumn<QString>("typed");
    // The warning that keeps the dialog open; empty: accepted.
    QTest::addColumn<QString>("refusal");

    QTest::newRow("another widget's ID is refused") << QStringLiteral("b") << "This ID is busy";
    QTest::newRow("an ID used inside a group is refused") << QStringLiteral("c") << "This ID is busy";
    QTest::newRow("the own ID is accepted") << QStringLiteral("a") << "";
    QTest::newRow("a free ID is accepted") << QStringLiteral("d") << "";
    QTest::newRow("a dot inside is fine") << QStringLiteral("d.1") << "";
    QTest::newRow("the empty ID is refused") << QString() << "String is empty";
    QTest::newRow("a slash is refused") << QStringLiteral("d/1") << "ID must not contain / or \\";
    QTest::newRow("a backslash is refused") << QStringLiteral("d\\1") << "ID must not contain / or \\";
    QTest::newRow("a leading dot is refused") << QStringLiteral(".d") << "ID must not start with a dot";
}

void tst_XWidgetBaseSettingsDialog::identifier()
{
    QFETCH(QString, typed);
    QFETCH(QString, refusal);
    const bool refused = !refusal.isEmpty();
    makeGroup(QStringLiteral("Hall"), QPoint(300, 0));
    XWidget* widget = makeWidget(QStringLiteral("a"), QPoint(0, 0));
    makeWidget(QStringLiteral("b"), QPoint(100, 0));
    makeWidget(QStringLiteral("c"), QPoint(0, 0), QStringLiteral("Hall"));

    bool openAfterOk = false;
    QList<ModalAnswerer::Expected> boxes;
    if (refused)
        boxes << ModalAnswerer::Expected { "QMessageBox", "", "OK" };
    QStringList transcript;
    const QString failure = driveBaseSettings(widget, [&](XWidgetBaseSettingsDialog* dialog) {
        chooseGroup(dialog->groupCombo, QStringLiteral("Hall"));
        typeInto(dialog->widthSpin, QStringLiteral("90"));
        typeInto(dialog->idEdit, typed);
        QTest::mouseClick(buttonWithText(dialog, QStringLiteral("OK")), Qt::LeftButton);
        openAfterOk = dialog->isVisible();
        if (refused)
            QCOMPARE(widget->widgetSettings->id, QStringLiteral("a"));
    }, boxes, &transcript);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(openAfterOk, refused);
    const QString opened = QStringLiteral("dialog XWidgetBaseSettingsDialog | ");
    if (refused) {
        QCOMPARE(transcript, QStringList({ opened, QStringLiteral("box  | %1 | OK | default OK").arg(refusal) }));
        QCOMPARE(widget->widgetSettings->id, QStringLiteral("a"));
        QCOMPARE(widget->widgetSettings->group, QString());
        QCOMPARE(widget->widgetSettings->size, QSize(70, 60));
        QVERIFY(!widget->group);
    } else {
        QCOMPARE(transcript, QStringList { opened });
        QCOMPARE(widget->widgetSettings->id, typed);
        QCOMPARE(widget->widgetSettings->group, QStringLiteral("Hall"));
        QCOMPARE(widget->widgetSettings->size, QSize(90, 60));
        QVERIFY(widget->group);
    }
}

void tst_XWidgetBaseSettingsDialog::group_data()
{
    QTest::addColumn<QString>("recordGroup");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("expectedGroup");

    QTest::newRow("choosing a group moves the widget into it")
        << QString() << QStringLiteral("Yard") << QStringLiteral("Yard");
    QTest::newRow("the empty entry puts it back on the panel")
        << QStringLiteral("Hall") << QString() << QString();
    QTest::newRow("another group takes it over")
        << QStringLiteral("Hall") << QStringLiteral("Yard") << QStringLiteral("Yard");
    QTest::newRow("a missing group is cleared") << QStringLiteral("Gone") << QString() << QString();
}

void tst_XWidgetBaseSettingsDialog::group()
{
    QFETCH(QString, recordGroup);
    QFETCH(QString, chosen);
    QFETCH(QString, expectedGroup);
    makeGroup(QStringLiteral("Hall"), QPoint(300, 0));
    makeGroup(QStringLiteral("Yard"), QPoint(300, 250));
    XWidget* widget = makeWidget(QStringLiteral("w"), QPoint(10, 10), recordGroup);

    const QString failure = driveBaseSettings(widget, [&](XWidgetBaseSettingsDialog* dialog) {
        chooseGroup(dialog->groupCombo, chosen);
        QCOMPARE(dialog->groupCombo->currentText(), chosen);
        QTest::mouseClick(buttonWithText(dialog, QStringLiteral("OK")), Qt::LeftButton);
    });
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(widget->widgetSettings->group, expectedGroup);
    XWidgetGroup* expected = m_panel->getGroupByName(expectedGroup);
    QCOMPARE(widget->group, expected);
    QCOMPARE(widget->parentWidget(), expected ? static_cast<QWidget*>(expected) : m_panel);
    QVERIFY(widget->isVisible());
    for (XWidgetGroup* group : *m_panel->groups)
        QCOMPARE(group->widgets.contains(widget), group == expected);
}

void tst_XWidgetBaseSettingsDialog::joiningGrowsTheGroup_data()
{
    QTest::addColumn<QPoint>("groupPosition");
    QTest::addColumn<bool>("scrolls");

    QTest::newRow("a new group") << QPoint(300, 0) << false;
    QTest::newRow("a new group near the panel's corner") << QPoint(620, 430) << true;
}

// A group made anew is 50 x 50: the widget put into it makes it grow, and the
// record, which the browser is told and the next start restores, grows with
// it, as does the panel, so the widget can be scrolled to.
void tst_XWidgetBaseSettingsDialog::joiningGrowsTheGroup()
{
    QFETCH(QPoint, groupPosition);
    QFETCH(bool, scrolls);
    m_panel->contextMenu->gridAction->setChecked(false);
    XWidgetGroup* group = makeGroup(QStringLiteral("Hall"), groupPosition, QSize(50, 50));
    XWidget* widget = makeWidget(QStringLiteral("w"), QPoint(10, 10));

    const QString failure = driveBaseSettings(widget, [&](XWidgetBaseSettingsDialog* dialog) {
        chooseGroup(dialog->groupCombo, QStringLiteral("Hall"));
        QTest::mouseClick(buttonWithText(dialog, QStringLiteral("OK")), Qt::LeftButton);
    });
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(widget->group, group);
    QCOMPARE(widget->geometry(), QRect(10, 10, 70, 60));
    QCOMPARE(group->size(), QSize(80, 70));
    QCOMPARE(group->settings->size, group->size());
    QCOMPARE(group->settings->position, groupPosition);
    QVERIFY2(m_panel->rect().contains(group->geometry()),
        qPrintable(QStringLiteral("panel %1 x %2").arg(m_panel->width()).arg(m_panel->height())));
    QTRY_COMPARE(m_area->horizontalScrollBar()->maximum() > 0, scrolls);
    QTRY_COMPARE(m_area->verticalScrollBar()->maximum() > 0, scrolls);
}

void tst_XWidgetBaseSettingsDialog::size_data()
{
    QTest::addColumn<bool>("toggleUserSize");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<bool>("userSize");
    QTest::addColumn<QSize>("recordSize");

    QTest::newRow("typed size") << false << "120"
                                << "80" << true << QSize(120, 80);
    QTest::newRow("below 50 is raised when applied") << false << "30"
                                                     << "45" << true << QSize(50, 50);
    // Unchecking the box disables its spins, so the stored size stays.
    QTest::newRow("user size off: natural size") << true << "120"
                                                 << "80" << false << QSize(70, 60);
}

void tst_XWidgetBaseSettingsDialog::size()
{
    QFETCH(bool, toggleUserSize);
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(bool, userSize);
    QFETCH(QSize, recordSize);
    XWidget* widget = makeWidget(QStringLiteral("w"), QPoint(10, 10));
    QCOMPARE(widget->size(), QSize(70, 60));

    const QString failure = driveBaseSettings(widget, [&](XWidgetBaseSettingsDialog* dialog) {
        if (toggleUserSize)
            QTest::keyClick(dialog->userSizeBox, Qt::Key_Space);
        QCOMPARE(dialog->userSizeBox->isChecked(), userSize);
        typeInto(dialog->widthSpin, width);
        typeInto(dialog->heightSpin, height);
        QTest::mouseClick(buttonWithText(dialog, QStringLiteral("OK")), Qt::LeftButton);
    });
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(widget->widgetSettings->userSize, userSize);
    QCOMPARE(widget->widgetSettings->size, recordSize);
    QCOMPARE(widget->size(), userSize ? recordSize : widget->sizeHint());
    QVERIFY(widget->sizeHint() != recordSize);
}

QTEST_MAIN(tst_XWidgetBaseSettingsDialog)
#include "tst_xwidgetbasesettingsdialog.moc"
