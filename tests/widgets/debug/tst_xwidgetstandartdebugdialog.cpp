#include "headerfit.h"
#include "journalexchangeitem.h"
#include "rowtranslation.h"
#include "testappfolder.h"
#include "xwidgetpanel.h"
#include "xwidgetpanelscrollarea.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentbaseclass.h"
#include "xwidgetstandartcomponentsettings.h"
#include "xwidgetstandartdebugdialog.h"
#include "xwidgetstandartdebugdialogmodel.h"
#include "xwidgetstandartsettings.h"

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QTableView>
#include <QtTest>

#include <memory>

namespace {
const char WIDGET_ID[] = "W1";
const char RETURNING_LIB[] = "FixtureReturning";
const char MISSING_LIB[] = "NoSuchLibrary";
const char SCRIPT_NAME[] = "debug.js";
const int VALUE_COLUMN = 1;

// "free" (linked to "peer"), "owned" (a module will own it), "lost" (no
// library) and "peer", behind a script that journals where each value came from.
class DebuggedWidget : public QObject
{
    Q_OBJECT

public:
    DebuggedWidget()
        : journal(QString::fromLatin1(WIDGET_ID))
    {
        record.base.id = QString::fromLatin1(WIDGET_ID);
        record.scriptName = QString::fromLatin1(SCRIPT_NAME);
        const QList<QPair<QString, QString>> components { { QStringLiteral("free"), RETURNING_LIB },
            { QStringLiteral("owned"), RETURNING_LIB }, { QStringLiteral("lost"), MISSING_LIB },
            { QStringLiteral("peer"), RETURNING_LIB } };
        for (const auto& entry : components) {
            auto* component = new XWidgetStandartComponentSettings;
            component->name = entry.first;
            component->libName = entry.second;
            record.components.append(component);
        }
        record.components.first()->connectToComponent = QStringLiteral("peer");
        connect(&journal, &JournalExchangeItem::addSignal, this, [this](JournalItem* item) {
            entries.append(item->text);
            delete item;
        });
        widget.reset(new XWidgetStandart(&record, &journal, XWidgetsPanel));
        component(QStringLiteral("owned"))->setSetter(&module);
    }

    XWidgetStandartComponent* component(const QString& name) const
    {
        for (XWidgetStandartComponent* c : qAsConst(widget->components)) {
            if (c->settings->name == name)
                return c;
        }
        return nullptr;
    }

    XWidgetStandartDebugDialog* open()
    {
        widget->debugAction->setChecked(true);
        return widget->debugDialog;
    }

    XWidgetStandartSettings record;
    JournalExchangeItem journal;
    QObject module;
    QStringList entries;
    std::unique_ptr<XWidgetStandart> widget;
};

QStringList column(QAbstractItemModel* model, int col, int role = Qt::DisplayRole)
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts.append(model->data(model->index(row, col), role).toString());
    return texts;
}
}

class tst_XWidgetStandartDebugDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void table();
    void typedValue_data();
    void typedValue();
    void undefinedFromMenu_data();
    void undefinedFromMenu();
    void openAndClose();
    void columnTitlesShowInFull_data();
    void columnTitlesShowInFull();

private:
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<XWidgetPanelScrollArea> m_scrollArea;
};

void tst_XWidgetStandartDebugDialog::initTestCase()
{
    TestAppFolder::cleanOwnFolder();
    TestAppFolder::writeOwnFile(QStringLiteral("scripts/") + SCRIPT_NAME,
        "function componentSetValueHandler(name, value, fromSetter) {\n"
        "    XObj.journalAdd(name + \":\" + fromSetter);\n"
        "    return value;\n"
        "}\n");
    m_settings.reset(new QSettings(
        QCoreApplication::applicationDirPath() + QStringLiteral("/settings.ini"), QSettings::IniFormat));
    m_scrollArea.reset(new XWidgetPanelScrollArea(nullptr));
    XWidgetsPanel = new XWidgetPanel(m_settings.get(), m_scrollArea.get());
    m_scrollArea->show();
}

void tst_XWidgetStandartDebugDialog::cleanupTestCase()
{
    m_scrollArea.reset();
    XWidgetsPanel = nullptr;
}

void tst_XWidgetStandartDebugDialog::table()
{
    DebuggedWidget w;
    w.component(QStringLiteral("free"))->setValue(3, &w.module);
    XWidgetStandartDebugDialog* dialog = w.open();
    QVERIFY(dialog);
    QAbstractItemModel* model = dialog->table->model();
    QCOMPARE(model, dialog->model);

    QStringList titles;
    for (int section = 0; section < model->columnCount(); ++section)
        titles.append(model->headerData(section, Qt::Horizontal).toString());
    QCOMPARE(titles,
        QStringList({ QStringLiteral("Component"), QStringLiteral("Value"), QStringLiteral("Return value"),
            QStringLiteral("Has setter") }));
    QCOMPARE(model->headerData(0, Qt::Vertical).toString(), QStringLiteral("1"));
    QCOMPARE(model->headerData(3, Qt::Vertical).toString(), QStringLiteral("4"));
    QVERIFY(!model->headerData(0, Qt::Horizontal, Qt::ToolTipRole).isValid());

    QCOMPARE(column(model, 0),
        QStringList({ QStringLiteral("free"), QStringLiteral("owned"), QStringLiteral("lost"),
            QStringLiteral("peer") }));
    QCOMPARE(column(model, VALUE_COLUMN),
        QStringList({ QStringLiteral("3"), QString(), QString(), QStringLiteral("3") }));
    QCOMPARE(column(model, VALUE_COLUMN, Qt::EditRole), column(model, VALUE_COLUMN));
    QCOMPARE(
        column(model, 2), QStringList({ QStringLiteral("3"), QString(), QString(), QStringLiteral("3") }));
    QCOMPARE(column(model, 3),
        QStringList(
            { QStringLiteral("No"), QStringLiteral("Yes"), QStringLiteral("No"), QStringLiteral("No") }));
    QVERIFY(!model->data(model->index(0, 0), Qt::ToolTipRole).isValid());

    for (int row = 0; row < model->rowCount(); ++row) {
        for (int col = 0; col < model->columnCount(); ++col) {
            const Qt::ItemFlags expected = col == VALUE_COLUMN
                ? Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled
                : Qt::ItemFlags(Qt::ItemIsEnabled);
            QCOMPARE(model->flags(model->index(row, col)), expected);
        }
    }
}

void tst_XWidgetStandartDebugDialog::typedValue_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("returnValues");
    QTest::addColumn<QString>("peerValue");

    QTest::newRow("without a setter it becomes the value and goes on")
        << QStringLiteral("free")
        << QStringList({ QStringLiteral("5"), QStringLiteral("7"), QString(), QStringLiteral("5") })
        << QStringList({ QStringLiteral("5"), QString(), QString(), QStringLiteral("5") })
        << QStringLiteral("5");
    QTest::newRow("with a setter it becomes only the return value")
        << QStringLiteral("owned") << QStringList({ QString(), QStringLiteral("7"), QString(), QString() })
        << QStringList({ QString(), QStringLiteral("5"), QString(), QString() }) << QString();
    QTest::newRow("without a library nothing changes")
        << QStringLiteral("lost") << QStringList({ QString(), QStringLiteral("7"), QString(), QString() })
        << QStringList({ QString(), QString(), QString(), QString() }) << QString();
}

void tst_XWidgetStandartDebugDialog::typedValue()
{
    QFETCH(QString, name);
    QFETCH(QStringList, values);
    QFETCH(QStringList, returnValues);
    QFETCH(QString, peerValue);

    DebuggedWidget w;
    w.component(QStringLiteral("owned"))->setValue(7, &w.module);
    XWidgetStandartDebugDialog* dialog = w.open();
    const int row = w.widget->components.indexOf(w.component(name));
    w.entries.clear();
    QSignalSpy changed(dialog->model, &QAbstractItemModel::dataChanged);

    const QModelIndex cell = dialog->model->index(row, VALUE_COLUMN);
    QVERIFY(!dialog->model->setData(cell, QStringLiteral("5"), Qt::DisplayRole));
    QVERIFY(!dialog->model->setData(dialog->model->index(row, 0), QStringLiteral("5")));
    QVERIFY(w.entries.isEmpty());
    // The result is false even when the value went in: the cell follows the component's announcement.
    QVERIFY(!dialog->model->setData(cell, QStringLiteral("5")));
    QCOMPARE(w.entries.value(0), name + QStringLiteral(":false"));
    QCOMPARE(w.entries.size(), peerValue.isEmpty() ? 1 : 2);
    QCOMPARE(column(dialog->model, VALUE_COLUMN), values);
    QCOMPARE(column(dialog->model, 2), returnValues);
    QCOMPARE(w.component(QStringLiteral("peer"))->lastSetValue().toString(), peerValue);
    if (name != QStringLiteral("lost")) {
        QVERIFY(!changed.isEmpty());
        QCOMPARE(changed.first().at(0).toModelIndex(), dialog->model->index(row, 0));
        QCOMPARE(changed.first().at(1).toModelIndex(), dialog->model->index(row, 3));
    }
}

void tst_XWidgetStandartDebugDialog::undefinedFromMenu_data()
{
    QTest::addColumn<int>("currentColumn");
    QTest::addColumn<bool>("menu");
    QTest::newRow("Component") << 0 << false;
    QTest::newRow("Value") << VALUE_COLUMN << true;
    QTest::newRow("Return value") << 2 << false;
    QTest::newRow("Has setter") << 3 << false;
}

void tst_XWidgetStandartDebugDialog::undefinedFromMenu()
{
    QFETCH(int, currentColumn);
    QFETCH(bool, menu);

    DebuggedWidget w;
    XWidgetStandartComponent* free = w.component(QStringLiteral("free"));
    free->setValue(4, &w.module);
    XWidgetStandartDebugDialog* dialog = w.open();
    w.entries.clear();
    dialog->table->setCurrentIndex(dialog->model->index(0, currentColumn));
    emit dialog->table->customContextMenuRequested(QPoint(2, 2));

    auto* popup = dialog->findChild<QMenu*>();
    QCOMPARE(popup != nullptr, menu);
    if (!menu)
        return;
    QCOMPARE(popup->actions().size(), 1);
    QCOMPARE(popup->actions().first()->text(), QStringLiteral("Set 'Undefined'"));
    popup->actions().first()->trigger();

    // The linked component gets it through its own hook, with the first as sender.
    QCOMPARE(w.entries, QStringList({ QStringLiteral("free:false"), QStringLiteral("peer:false") }));
    QVERIFY(!free->lastSetValue().isValid());
    QVERIFY(!w.component(QStringLiteral("peer"))->lastSetValue().isValid());
    QCOMPARE(dialog->model->data(dialog->model->index(0, VALUE_COLUMN)).toString(), QString());
}

void tst_XWidgetStandartDebugDialog::openAndClose()
{
    DebuggedWidget w;
    XWidgetStandartDebugDialog* dialog = w.open();
    QVERIFY(dialog);
    QCOMPARE(dialog->parentWidget(), w.widget.get());
    QVERIFY(dialog->isWindow());
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->objectName(), QStringLiteral("XWidgetStandartDebugDialog"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Debug (W1)"));
    QVERIFY(!w.widget->settingsAction->isEnabled());

    // Another change of the action must not open a second dialog.
    w.widget->debugAction->setText(QStringLiteral("Debug"));
    w.widget->debugAction->setEnabled(true);
    QCOMPARE(w.widget->findChildren<XWidgetStandartDebugDialog*>().size(), 1);

    const QRect placed(130, 140, 420, 260);
    dialog->setGeometry(placed);
    QSignalSpy closed(dialog, &XWidgetStandartDebugDialog::closed);
    QPointer<XWidgetStandartDebugDialog> old(dialog);
    dialog->close();
    QCOMPARE(closed.size(), 1);
    QVERIFY(!w.widget->debugAction->isChecked());
    QVERIFY(!w.widget->debugDialog);
    QVERIFY(w.widget->settingsAction->isEnabled());
    QTRY_VERIFY(old.isNull());
    QCOMPARE(w.widget->debugDialogSettings.toMap().keys(), QStringList { QStringLiteral("geometry") });

    XWidgetStandartDebugDialog* reopened = w.open();
    QVERIFY(reopened);
    QCOMPARE(reopened->geometry(), placed);

    // Unchecking from the menu keeps the state just as closing does.
    reopened->resize(300, 200);
    w.widget->debugAction->setChecked(false);
    QVERIFY(!w.widget->debugDialog);
    XWidgetStandartDebugDialog* third = w.open();
    QCOMPARE(third->size(), QSize(300, 200));
}

void tst_XWidgetStandartDebugDialog::columnTitlesShowInFull_data()
{
    RowTranslation::addRows(TestAppFolder::stageDir() + QStringLiteral("/lng/de.qm"));
}

void tst_XWidgetStandartDebugDialog::columnTitlesShowInFull()
{
    RowTranslation translation;
    QVERIFY(translation.loaded());
    DebuggedWidget w;
    XWidgetStandartDebugDialog* dialog = w.open();
    translation.remove();
    QVERIFY(dialog);
    const QStringList cut = waitForFullColumnTitles(dialog->table);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral(", "))));
}

QTEST_MAIN(tst_XWidgetStandartDebugDialog)
#include "tst_xwidgetstandartdebugdialog.moc"
