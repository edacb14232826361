#include "applicationdata.h"
#include "filesizelimit.h"
#include "headerfit.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "rowtranslation.h"
#include "standartwidgetkit.h"
#include "testappfolder.h"
#include "xwidgetpanel.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentbaseclass.h"
#include "xwidgetstandartcomponentsettings.h"
#include "xwidgetstandartdialog.h"
#include "xwidgetstandartdialogcomponentitem.h"
#include "xwidgetstandartdialogmodel.h"
#include "xwidgetstandartsettings.h"

#include <QAbstractItemDelegate>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
const char LAMP_LIB[] = "FixtureLamp";
const char GAUGE_LIB[] = "FixtureGauge";
const char DIALOG_TYPE[] = "XWidgetStandartDialog";
const char DIALOG_TITLE[] = "Standard widget settings (boiler)";

QVariantMap text(const QString& value)
{
    return { { "text", value } };
}

// "Lamp" (connected to "Switch", placed at 10, 10 in 30 x 30), "Switch" and
// "Gauge" on a hand-placed widget; "Lamp" and "Switch" share a library.
class EditedWidget
{
public:
    EditedWidget()
    {
        record.base.id = QStringLiteral("boiler");
        record.name = QStringLiteral("Boiler");
        record.setNameOnComponent = QStringLiteral("Switch");
        record.layout = 2;
        add(QStringLiteral("Lamp"), LAMP_LIB, QStringLiteral("Switch"), text("lamp"));
        record.components.last()->position = QPoint(10, 10);
        record.components.last()->size = QSize(30, 30);
        add(QStringLiteral("Switch"), LAMP_LIB, QString(), text("switch"));
        add(QStringLiteral("Gauge"), GAUGE_LIB, QString(), text("gauge"));
        widget.reset(new XWidgetStandart(&record, nullptr, nullptr));
    }

    void add(const QString& name, const QString& lib, const QString& connectTo, const QVariantMap& settings)
    {
        auto* component = new XWidgetStandartComponentSettings;
        component->name = name;
        component->libName = lib;
        component->connectToComponent = connectTo;
        component->libSettings = settings;
        record.components.append(component);
    }

    // The dialog as the widget fills it before running it.
    std::unique_ptr<XWidgetStandartDialog> dialog()
    {
        std::unique_ptr<XWidgetStandartDialog> result(new XWidgetStandartDialog(&record, widget.get()));
        for (XWidgetStandartComponent* component : qAsConst(widget->components)) {
            const XWidgetStandartComponentSettings* r = component->settings;
            result->model->addNewItem(new XWidgetStandartDialogComponentItem(
                r->name, r->libName, r->connectToComponent, component));
        }
        return result;
    }

    XWidgetStandartComponent* component(const QString& name) const
    {
        for (XWidgetStandartComponent* c : qAsConst(widget->components)) {
            if (c->settings->name == name)
                return c;
        }
        return nullptr;
    }

    QStringList components() const
    {
        QStringList result;
        for (const XWidgetStandartComponentSettings* c : record.components)
            result.append(c->name + "|" + c->libName + "|" + c->connectToComponent + "|"
                + c->libSettings.value("text").toString());
        return result;
    }

    XWidgetStandartSettings record;
    std::unique_ptr<XWidgetStandart> widget;
};

QStringList rows(const XWidgetStandartDialogModel* model)
{
    QStringList result;
    for (const XWidgetStandartDialogComponentItem* item : model->items)
        result.append(item->name + "->" + item->connectToComponent);
    return result;
}

QList<int> selectedRows(QTableView* table)
{
    QList<int> result;
    for (const QModelIndex& index : table->selectionModel()->selectedRows())
        result.append(index.row());
    std::sort(result.begin(), result.end());
    return result;
}

void selectRows(QTableView* table, const QList<int>& rows)
{
    table->clearSelection();
    for (int row : rows)
        table->selectionModel()->select(
            table->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void click(XWidgetStandartDialog* dialog, int row, int column)
{
    dialog->componentShowSettingsDialogClicked(dialog->model->index(row, column));
}

QPushButton* button(QWidget* dialog, const QString& text)
{
    for (QPushButton* candidate : dialog->findChildren<QPushButton*>()) {
        if (candidate->text() == text)
            return candidate;
    }
    return nullptr;
}
}

class tst_XWidgetStandartDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void rowRules_data();
    void rowRules();
    void cellsOfferWhatTheRowHolds();
    void editors();
    void tableButtons_data();
    void tableButtons();
    void paste_data();
    void paste();
    void kitLoad_data();
    void kitLoad();
    void damagedKitReportsError_data();
    void damagedKitReportsError();
    void saveSelectedToKit();
    void savingUnderATypedNameAsksBeforeReplacing_data();
    void savingUnderATypedNameAsksBeforeReplacing();
    void kitWithRepeatedNamesGivesUniqueRows();
    void copyCellOffersWhatItsClickCopies_data();
    void copyCellOffersWhatItsClickCopies();
    void libraryChangedBackKeepsComponentAndRecord_data();
    void libraryChangedBackKeepsComponentAndRecord();
    void formFieldsGoIntoTheRecord();
    void okWithUnchangedTableKeepsTheComponents();
    void changedTableRebuildsTheComponents_data();
    void changedTableRebuildsTheComponents();
    void acceptReopensTheDialog();
    void kitAppliedStaysAfterRestart_data();
    void kitAppliedStaysAfterRestart();
    void cancelAppliesNothing();
    void cancelAfterKitLoadLeavesNoRecords();
    void columnTitlesShowInFull_data();
    void columnTitlesShowInFull();

private:
    QString writeKit(const QString& name, const QList<QStringList>& components);

    QTemporaryDir m_kits;
};

void tst_XWidgetStandartDialog::initTestCase()
{
    QVERIFY(m_kits.isValid());
    // Not a library: the library editor must not offer it.
    TestAppFolder::writeOwnFile("widgets_components_lib/readme.txt", "components");
    TestAppFolder::writeOwnFile("scripts/pump.js", "");
}

void tst_XWidgetStandartDialog::init()
{
    XDialogsGeometry.clear();
}

QString tst_XWidgetStandartDialog::writeKit(const QString& name, const QList<QStringList>& components)
{
    QList<XWidgetStandartComponentSettings*> records;
    for (const QStringList& c : components) {
        auto* r = new XWidgetStandartComponentSettings;
        r->name = c.value(0);
        r->connectToComponent = c.value(1);
        r->libName = LAMP_LIB;
        r->libSettings = text(c.value(2));
        r->position = QPoint(40, 50);
        records.append(r);
    }
    const QString path = m_kits.filePath(name);
    const bool saved = StandartWidgetKit(&records).save(path);
    qDeleteAll(records);
    return saved ? path : QString();
}

void tst_XWidgetStandartDialog::rowRules_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("keepsComponent");
    QTest::addColumn<bool>("keepsRecord");
    QTest::addColumn<bool>("changed");

    QTest::newRow("rename to another row's name is refused")
        << 0 << "Switch" << false << true << true << false;
    QTest::newRow("rename to its own name") << 0 << "Lamp" << true << true << true << false;
    QTest::newRow("rename forgets the component, keeps the record")
        << 0 << "Bulb" << true << false << true << true;
    QTest::newRow("library change forgets both") << 1 << GAUGE_LIB << true << false << false << true;
    QTest::newRow("the same library keeps both") << 1 << LAMP_LIB << true << true << true << false;
    QTest::newRow("connect-to change keeps both") << 2 << "Gauge" << true << true << true << true;
}

void tst_XWidgetStandartDialog::rowRules()
{
    QFETCH(int, column);
    QFETCH(QString, value);
    QFETCH(bool, accepted);
    EditedWidget edited;
    auto dialog = edited.dialog();
    XWidgetStandartDialogComponentItem* lamp = dialog->model->items.first();
    lamp->editedLibSettings = text("pasted");
    const QString before = dialog->model->index(0, column).data().toString();
    QSignalSpy updated(dialog->model, &XWidgetStandartDialogModel::listUpdated);

    QCOMPARE(dialog->model->setData(dialog->model->index(0, column), value, Qt::EditRole), accepted);
    QCOMPARE(dialog->model->index(0, column).data().toString(), accepted ? value : before);
    QCOMPARE(updated.size(), accepted ? 1 : 0);
    // A refusal says why; nothing is said where the edit went through.
    QCOMPARE(dialog->statusLabel->text().contains(value), !accepted);
    QTEST(lamp->component == edited.component("Lamp"), "keepsComponent");
    QTEST(lamp->settings == edited.record.components.first(), "keepsRecord");
    lamp->editedLibSettings.clear();
    QTEST(lamp->isChanged(), "changed");
    // The name target offers the names as they stand now.
    QCOMPARE(dialog->nameOnComponentBox->itemText(1), lamp->name);
}

void tst_XWidgetStandartDialog::cellsOfferWhatTheRowHolds()
{
    EditedWidget edited;
    auto dialog = edited.dialog();
    XWidgetStandartDialogModel* model = dialog->model;
    QCOMPARE(model->columnCount(), 6);
    QStringList headers;
    for (int c = 0; c < 6; ++c)
        headers.append(model->headerData(c, Qt::Horizontal).toString());
    QCOMPARE(headers, (QStringList { "Name", "Library", "Connect to", "Settings", "Settings", "Settings" }));
    QCOMPARE(model->headerData(0, Qt::Vertical).toString(), QStringLiteral("1"));

    model->addNewItem();
    model->addNewItem(new XWidgetStandartDialogComponentItem("Dial", LAMP_LIB));
    auto cells = [model](int row) {
        return QStringList { model->index(row, 3).data().toString(), model->index(row, 4).data().toString(),
            model->index(row, 5).data().toString() };
    };
    QCOMPARE(cells(0), (QStringList { "Show", "Copy", "Paste" }));
    QCOMPARE(cells(3), (QStringList { "", "", "" }));
    QCOMPARE(cells(4), (QStringList { "", "", "Paste" }));
    model->items.at(4)->editedLibSettings = text("pasted");
    QCOMPARE(cells(4), (QStringList { "", "Copy", "Paste (+)" }));
    QCOMPARE(model->flags(model->index(0, 0)), Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled);
    QCOMPARE(model->flags(model->index(0, 3)), Qt::ItemIsEnabled);
    QVERIFY(!model->index(0, 0).data(Qt::ToolTipRole).isValid());

    // "Show" runs the library's own settings dialog on the live component.
    click(dialog.get(), 0, 3);
    QCOMPARE(edited.component("Lamp")->object->getMap().value("shown").toInt(), 1);
    QCOMPARE(edited.record.components.first()->libSettings.value("shown").toInt(), 1);
}

void tst_XWidgetStandartDialog::editors()
{
    EditedWidget edited;
    auto dialog = edited.dialog();
    dialog->show();
    auto editorItems = [&dialog](int row, int column) {
        QAbstractItemDelegate* delegate = dialog->table->itemDelegate();
        QStyleOptionViewItem option;
        const QModelIndex index = dialog->model->index(row, column);
        std::unique_ptr<QWidget> editor(delegate->createEditor(dialog->table->viewport(), option, index));
        auto* box = qobject_cast<QComboBox*>(editor.get());
        if (!box)
            return QStringList { "no combo box" };
        delegate->setEditorData(box, index);
        QStringList result;
        for (int i = 0; i < box->count(); ++i)
            result.append(box->itemText(i));
        std::sort(result.begin() + 1, result.end());
        result.prepend(box->currentText());
        return result;
    };
    QCOMPARE(editorItems(2, 1), (QStringList { GAUGE_LIB, "", GAUGE_LIB, LAMP_LIB }));
    QCOMPARE(editorItems(0, 2), (QStringList { "Switch", "", "Gauge", "Switch" }));
    QCOMPARE(editorItems(1, 2), (QStringList { "", "", "Gauge", "Lamp" }));

    // A library that no longer loads stays what the row names.
    dialog->model->items.at(2)->libName = QStringLiteral("Retired");
    QCOMPARE(editorItems(2, 1), (QStringList { "Retired", "", GAUGE_LIB, LAMP_LIB, "Retired" }));
}

void tst_XWidgetStandartDialog::tableButtons_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QList<int>>("selectedAfter");

    const QStringList unchanged { "Lamp", "Switch", "Gauge" };
    QTest::newRow("Up with the first row selected") << 1 << QList<int> { 0, 2 } << unchanged << QList<int>();
    QTest::newRow("Down with the last row selected") << 2 << QList<int> { 0, 2 } << unchanged << QList<int>();
    QTest::newRow("Up moves the rows and their selection")
        << 1 << QList<int> { 1, 2 } << QStringList { "Switch", "Gauge", "Lamp" } << QList<int> { 0, 1 };
    QTest::newRow("Down moves the rows and their selection")
        << 2 << QList<int> { 0, 1 } << QStringList { "Gauge", "Lamp", "Switch" } << QList<int> { 1, 2 };
    QTest::newRow("Remove takes every selected row")
        << 0 << QList<int> { 0, 2 } << QStringList { "Switch" } << QList<int>();
}

void tst_XWidgetStandartDialog::tableButtons()
{
    QFETCH(int, button);
    QFETCH(QList<int>, selected);
    EditedWidget edited;
    auto dialog = edited.dialog();
    dialog->show();
    selectRows(dialog->table, selected);
    QCOMPARE(selectedRows(dialog->table), selected);

    dialog->buttonClicked(button);
    QStringList order;
    for (const XWidgetStandartDialogComponentItem* item : qAsConst(dialog->model->items))
        order.append(item->name);
    QTEST(order, "order");
    QTEST(selectedRows(dialog->table), "selectedAfter");
    QCOMPARE(dialog->table->selectionMode(), QAbstractItemView::ExtendedSelection);
}

void tst_XWidgetStandartDialog::paste_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("pasted");

    const QString question = "box  | Copied data for library FixtureLamp. Insert them into the component of "
                             "library FixtureGauge? | No,Yes | default No";
    QTest::newRow("same library asks nothing") << 0 << 1 << ""
                                               << ""
                                               << "lamp";
    QTest::newRow("other library, No") << 0 << 2 << "&No" << question << "";
    QTest::newRow("other library, Yes") << 0 << 2 << "&Yes" << question << "lamp";
    QTest::newRow("nothing copied") << -1 << 1 << "OK"
                                    << "box  | No data | OK | default OK"
                                    << "";
}

void tst_XWidgetStandartDialog::paste()
{
    QFETCH(int, source);
    QFETCH(int, target);
    QFETCH(QString, answer);
    QFETCH(QString, box);
    EditedWidget edited;
    auto dialog = edited.dialog();
    if (source >= 0)
        click(dialog.get(), source, 4);
    const QVariantMap before = dialog->model->items.at(target)->libSettings();

    QList<ModalAnswerer::Expected> expected;
    if (!answer.isEmpty())
        expected.append({ "QMessageBox", "", answer, {} });
    ModalAnswerer answerer(expected);
    click(dialog.get(), target, 5);
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(answerer.transcript, box.isEmpty() ? QStringList() : QStringList { box });

    QFETCH(QString, pasted);
    const XWidgetStandartDialogComponentItem* item = dialog->model->items.at(target);
    QCOMPARE(item->editedLibSettings, pasted.isEmpty() ? QVariantMap() : text(pasted));
    QCOMPARE(item->libSettings(), pasted.isEmpty() ? before : text(pasted));
    QCOMPARE(dialog->model->index(target, 5).data().toString(), pasted.isEmpty() ? "Paste" : "Paste (+)");
}

void tst_XWidgetStandartDialog::kitLoad_data()
{
    QTest::addColumn<QStringList>("prefixes");
    QTest::addColumn<QStringList>("added");

    QTest::newRow("prefix A_") << QStringList { "A_" } << QStringList { "A_Lamp->A_Switch", "A_Switch->" };
    QTest::newRow("busy prefix asked again")
        << QStringList { "", "Lamp", "B_" } << QStringList { "B_Lamp->B_Switch", "B_Switch->" };
    QTest::newRow("prefix cancelled") << QStringList { ModalAnswerer::CANCEL } << QStringList();
}

void tst_XWidgetStandartDialog::kitLoad()
{
    QFETCH(QStringList, prefixes);
    const QString kit = writeKit("lamps.swkit", { { "Lamp", "Switch", "kit lamp" }, { "Switch", "", "" } });
    QVERIFY(!kit.isEmpty());
    EditedWidget edited;
    edited.record.components.at(1)->name = QStringLiteral("LampSwitch");
    edited.widget.reset(new XWidgetStandart(&edited.record, nullptr, nullptr));
    auto dialog = edited.dialog();

    QList<ModalAnswerer::Expected> expected { { "XWidgetStandartKitFileDialog", "Load kit", kit, {} } };
    for (int i = 0; i < prefixes.size(); ++i) {
        expected.append({ "QInputDialog", "", prefixes.at(i), {} });
        if (i + 1 < prefixes.size())
            expected.append({ "QMessageBox", "", "OK", {} });
    }
    ModalAnswerer answerer(expected);
    dialog->buttonClicked(XWidgetStandartDialog::LoadKitButton);
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    for (int i = 0; i + 1 < prefixes.size(); ++i) {
        QCOMPARE(answerer.transcript.at(2 + 2 * i),
            QStringLiteral(
                "box  | Some of the names are the same, enter a different prefix | OK | default OK"));
    }
    QCOMPARE(answerer.transcript.at(1), QStringLiteral("input  | Prefix (not necessary) | "));

    QFETCH(QStringList, added);
    QCOMPARE(rows(dialog->model), QStringList({ "Lamp->Switch", "LampSwitch->", "Gauge->" }) + added);
    if (added.isEmpty())
        return;
    const XWidgetStandartDialogComponentItem* row = dialog->model->items.at(3);
    QVERIFY(!row->component);
    QVERIFY(row->settings);
    QCOMPARE(row->settings->position, QPoint(40, 50));
    QCOMPARE(row->libSettings(), text("kit lamp"));
    QCOMPARE(dialog->nameOnComponentBox->count(), 6);
}

void tst_XWidgetStandartDialog::damagedKitReportsError_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("not JSON") << QByteArray("{ \"0\": { \"name\": ");
    QTest::newRow("an entry that is no object") << QByteArray("{ \"0\": { \"name\": \"a\" }, \"1\": [] }");
}

void tst_XWidgetStandartDialog::damagedKitReportsError()
{
    QFETCH(QByteArray, content);
    const QString kit = m_kits.filePath("damaged.swkit");
    {
        QFile file(kit);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    EditedWidget edited;
    auto dialog = edited.dialog();
    ModalAnswerer answerer(
        { { "XWidgetStandartKitFileDialog", "Load kit", kit, {} }, { "QMessageBox", "", "OK", {} } });
    dialog->buttonClicked(XWidgetStandartDialog::LoadKitButton);
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(answerer.transcript.last(), QStringLiteral("box  | Error! | OK | default OK"));
    QCOMPARE(dialog->model->rowCount(), 3);
}

void tst_XWidgetStandartDialog::saveSelectedToKit()
{
    EditedWidget edited;
    auto dialog = edited.dialog();
    dialog->show();
    dialog->model->addNewItem();
    const QString kit = m_kits.filePath("saved");

    {
        ModalAnswerer answerer({ { "QMessageBox", "", "OK", {} } });
        dialog->buttonClicked(XWidgetStandartDialog::SaveKitButton);
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
        QCOMPARE(answerer.transcript, QStringList { "box  | Select components | OK | default OK" });
    }
    selectRows(dialog->table, { 0, 3 });
    {
        ModalAnswerer answerer({ { "QMessageBox", "", "OK", {} } });
        dialog->buttonClicked(XWidgetStandartDialog::SaveKitButton);
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
        QCOMPARE(answerer.transcript,
            QStringList { "box  | Some of the selected components were not created. Please click 'Accept' "
                          "or 'OK' | OK | default OK" });
    }
    selectRows(dialog->table, { 0, 2 });
    {
        // The dialog itself gives the typed name its suffix.
        ModalAnswerer answerer({ { "XWidgetStandartKitFileDialog", "Save kit", kit + ".swkit", {} } });
        dialog->buttonClicked(XWidgetStandartDialog::SaveKitButton);
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    }
    QList<XWidgetStandartComponentSettings*> loaded;
    QVERIFY(StandartWidgetKit(&loaded).load(kit + ".swkit"));
    QCOMPARE(loaded.size(), 2);
    QCOMPARE(loaded.at(0)->getMap().value("name").toString(), QStringLiteral("Lamp"));
    QCOMPARE(loaded.at(0)->position, QPoint(10, 10));
    QCOMPARE(loaded.at(1)->libSettings, text("gauge"));
    qDeleteAll(loaded);

    // A save that cannot complete keeps the kit that was there.
    const QByteArray before = [&]() {
        QFile file(kit + ".swkit");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    selectRows(dialog->table, { 1 });
    {
        ModalAnswerer answerer({ { "XWidgetStandartKitFileDialog", "Save kit", kit + ".swkit", {} },
            { "QMessageBox", "Save kit", "&Yes", {} }, { "QMessageBox", "", "OK", {} } });
        const FileSizeLimit noRoom(16);
        dialog->buttonClicked(XWidgetStandartDialog::SaveKitButton);
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
        QCOMPARE(answerer.transcript.last(), QStringLiteral("box  | Error! | OK | default OK"));
    }
    QFile after(kit + ".swkit");
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), before);
}

void tst_XWidgetStandartDialog::savingUnderATypedNameAsksBeforeReplacing_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("replaced");

    QTest::newRow("no keeps the kit") << "&No" << false;
    QTest::newRow("yes replaces it") << "&Yes" << true;
}

// The name is typed without the kit suffix; the file it names has it.
void tst_XWidgetStandartDialog::savingUnderATypedNameAsksBeforeReplacing()
{
    QFETCH(QString, answer);
    QFETCH(bool, replaced);
    const QString kit = writeKit("lamps.swkit", { { "Old", "", "old" } });
    QVERIFY(!kit.isEmpty());
    EditedWidget edited;
    auto dialog = edited.dialog();
    dialog->show();
    selectRows(dialog->table, { 2 });
    const QString folder = m_kits.path();
    auto typeName = [folder](QWidget* window) {
        auto* fileDialog = qobject_cast<QFileDialog*>(window);
        fileDialog->setDirectory(folder);
        if (auto* nameEdit = fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            nameEdit->setText(QStringLiteral("lamps"));
        // As the dialog's own "Save" button does.
        static_cast<QDialog*>(fileDialog)->accept();
        // Kept open by "No": the operator gives up.
        if (fileDialog->isVisible())
            fileDialog->reject();
    };
    ModalAnswerer answerer({ { "XWidgetStandartKitFileDialog", "Save kit", {}, typeName },
        { "QMessageBox", "Save kit", answer, {} } });
    dialog->buttonClicked(XWidgetStandartDialog::SaveKitButton);
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QVERIFY2(answerer.transcript.last().contains("lamps.swkit"), qPrintable(answerer.transcript.last()));

    QList<XWidgetStandartComponentSettings*> loaded;
    QVERIFY(StandartWidgetKit(&loaded).load(kit));
    QCOMPARE(loaded.size(), 1);
    QCOMPARE(loaded.first()->name, replaced ? QStringLiteral("Gauge") : QStringLiteral("Old"));
    qDeleteAll(loaded);
    QVERIFY(!QFile::exists(m_kits.filePath("lamps")));
}

// A kit edited by hand may name two components alike: the table gets each
// name once, and the operator is told which were renamed.
void tst_XWidgetStandartDialog::kitWithRepeatedNamesGivesUniqueRows()
{
    const QString kit = writeKit("repeated.swkit",
        { { "Lamp", "", "first" }, { "Lamp", "", "second" }, { "Lamp_2", "Lamp", "third" } });
    QVERIFY(!kit.isEmpty());
    EditedWidget edited;
    auto dialog = edited.dialog();
    ModalAnswerer answerer({ { "XWidgetStandartKitFileDialog", "Load kit", kit, {} },
        { "QMessageBox", "", "OK", {} }, { "QInputDialog", "", "K_", {} } });
    dialog->buttonClicked(XWidgetStandartDialog::LoadKitButton);
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(answerer.transcript.at(1),
        QStringLiteral("box  | The kit holds components of the same name; the later ones were renamed: "
                       "Lamp_3 | OK | default OK"));
    QCOMPARE(rows(dialog->model),
        (QStringList { "Lamp->Switch", "Switch->", "Gauge->", "K_Lamp->", "K_Lamp_3->", "K_Lamp_2->K_Lamp" }));
    QCOMPARE(dialog->model->items.at(4)->libSettings(), text("second"));
}

void tst_XWidgetStandartDialog::copyCellOffersWhatItsClickCopies_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QVariantMap>("copied");

    QTest::newRow("a component's row") << 0 << "Copy" << text("lamp");
    QTest::newRow("a row from a kit") << 3 << "Copy" << text("kit lamp");
    QTest::newRow("a new row with a library only") << 5 << "" << QVariantMap();
}

void tst_XWidgetStandartDialog::copyCellOffersWhatItsClickCopies()
{
    QFETCH(int, row);
    const QString kit = writeKit("lamps.swkit", { { "Lamp", "", "kit lamp" }, { "Switch", "", "" } });
    EditedWidget edited;
    auto dialog = edited.dialog();
    {
        ModalAnswerer answerer(
            { { "XWidgetStandartKitFileDialog", "Load kit", kit, {} }, { "QInputDialog", "", "K_", {} } });
        dialog->buttonClicked(XWidgetStandartDialog::LoadKitButton);
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    }
    dialog->model->addNewItem(new XWidgetStandartDialogComponentItem("Dial", LAMP_LIB));
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));

    const QModelIndex cell = dialog->model->index(row, XWidgetStandartDialogModel::CopyColumn);
    QTEST(cell.data().toString(), "cell");
    dialog->table->scrollTo(cell);
    QTest::mouseClick(
        dialog->table->viewport(), Qt::LeftButton, Qt::NoModifier, dialog->table->visualRect(cell).center());
    QTEST(XDialogsGeometry.value("XWidgetStandartDialog_cb_data").toMap(), "copied");
}

void tst_XWidgetStandartDialog::libraryChangedBackKeepsComponentAndRecord_data()
{
    QTest::addColumn<bool>("rename");
    QTest::addColumn<QStringList>("components");

    QTest::newRow("library only") << false
                                  << QStringList { "Lamp|FixtureLamp|Switch|lamp", "Switch|FixtureLamp||switch",
                                         "Gauge|FixtureGauge||gauge" };
    QTest::newRow("renamed too") << true
                                 << QStringList { "Bulb|FixtureLamp|Switch|lamp", "Switch|FixtureLamp||switch",
                                        "Gauge|FixtureGauge||gauge" };
}

void tst_XWidgetStandartDialog::libraryChangedBackKeepsComponentAndRecord()
{
    QFETCH(bool, rename);
    EditedWidget edited;
    QPointer<XWidgetStandartComponent> lamp = edited.component("Lamp");
    XWidgetStandartComponentSettings* lampRecord = edited.record.components.first();
    ModalAnswerer answerer({ { DIALOG_TYPE, DIALOG_TITLE, {}, [rename](QWidget* dialog) {
                                  XWidgetStandartDialogModel* model
                                      = qobject_cast<XWidgetStandartDialog*>(dialog)->model;
                                  QVERIFY(model->setData(model->index(0, 1), GAUGE_LIB, Qt::EditRole));
                                  if (rename)
                                      QVERIFY(model->setData(model->index(0, 0), "Bulb", Qt::EditRole));
                                  QVERIFY(model->setData(model->index(0, 1), LAMP_LIB, Qt::EditRole));
                                  button(dialog, "OK")->click();
                              } } });
    edited.widget->showSettingsDialog();
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));

    QTEST(edited.components(), "components");
    QCOMPARE(edited.record.components.first(), lampRecord);
    QCOMPARE(edited.component(lampRecord->name)->geometry(), QRect(10, 10, 30, 30));
    // Unchanged, the row stays bound to its live component.
    if (!rename)
        QCOMPARE(edited.component("Lamp"), lamp.data());
}

void tst_XWidgetStandartDialog::formFieldsGoIntoTheRecord()
{
    EditedWidget edited;
    edited.record.scriptName = QStringLiteral("gone.js");
    {
        auto dialog = edited.dialog();
        QCOMPARE(dialog->nameEdit->text(), QStringLiteral("Boiler"));
        QCOMPARE(dialog->layoutBox->currentIndex(), 2);
        QCOMPARE(dialog->scriptBox->currentText(), QStringLiteral("gone.js"));
        QVERIFY(dialog->scriptBox->findText("pump.js") > 0);
        dialog->nameEdit->setText(QStringLiteral("Boiler 2"));
        dialog->nameOnComponentBox->setCurrentText(QStringLiteral("Gauge"));
        dialog->transparentBox->setChecked(true);
        dialog->layoutBox->setCurrentIndex(1);

        dialog->acceptOkClicked(0);
        QCOMPARE(edited.record.name, QStringLiteral("Boiler"));
        dialog->resize(640, 560);
        dialog->show();
        dialog->acceptOkClicked(XWidgetStandartDialog::OkResult);
        QCOMPARE(dialog->result(), 2);
        QCOMPARE(edited.record.name, QStringLiteral("Boiler 2"));
        QCOMPARE(edited.record.setNameOnComponent, QStringLiteral("Gauge"));
        QVERIFY(edited.record.transparent);
        QCOMPARE(edited.record.layout, 1);
        QCOMPARE(edited.record.scriptName, QStringLiteral("gone.js"));
    }
    QVERIFY(XDialogsGeometry.contains("XWidgetStandartDialog_geometry"));
    auto again = edited.dialog();
    QCOMPARE(again->size(), QSize(640, 560));
}

void tst_XWidgetStandartDialog::okWithUnchangedTableKeepsTheComponents()
{
    EditedWidget edited;
    const QList<XWidgetStandartComponent*> before = edited.widget->components;
    const QList<XWidgetStandartComponentSettings*> records = edited.record.components;
    edited.component("Lamp")->object->setMap(text("live state"));
    ModalAnswerer answerer({ { DIALOG_TYPE, DIALOG_TITLE, {}, [](QWidget* dialog) {
                                  auto* settings = qobject_cast<XWidgetStandartDialog*>(dialog);
                                  QCOMPARE(
                                      settings->nameOnComponentBox->currentText(), QStringLiteral("Switch"));
                                  settings->nameEdit->setText(QStringLiteral("Renamed"));
                                  button(dialog, "OK")->click();
                              } } });
    edited.widget->showSettingsDialog();
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(edited.widget->components, before);
    QCOMPARE(edited.record.components, records);
    QCOMPARE(edited.component("Lamp")->object->getMap(), text("live state"));
    QCOMPARE(edited.record.name, QStringLiteral("Renamed"));
    QCOMPARE(edited.component("Switch")->lastSetValue(), QVariant("Renamed"));
}

void tst_XWidgetStandartDialog::changedTableRebuildsTheComponents_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("components");
    QTest::addColumn<bool>("lampKeepsRecord");

    QTest::newRow("connect-to name only") << "connect"
                                          << QStringList { "Lamp|FixtureLamp|Gauge|lamp",
                                                 "Switch|FixtureLamp||switch", "Gauge|FixtureGauge||gauge" }
                                          << true;
    QTest::newRow("rename keeps the library settings")
        << "rename"
        << QStringList { "Bulb|FixtureLamp|Switch|lamp", "Switch|FixtureLamp||switch",
               "Gauge|FixtureGauge||gauge" }
        << true;
    QTest::newRow("library change starts afresh")
        << "library"
        << QStringList { "Lamp|FixtureGauge|Switch|", "Switch|FixtureLamp||switch",
               "Gauge|FixtureGauge||gauge" }
        << false;
    QTest::newRow("pasted settings") << "paste"
                                     << QStringList { "Lamp|FixtureLamp|Switch|switch",
                                            "Switch|FixtureLamp||switch", "Gauge|FixtureGauge||gauge" }
                                     << true;
    QTest::newRow("row removed and rows reordered")
        << "reorder" << QStringList { "Gauge|FixtureGauge||gauge", "Lamp|FixtureLamp|Switch|lamp" } << true;
    QTest::newRow("new row") << "add"
                             << QStringList { "Lamp|FixtureLamp|Switch|lamp", "Switch|FixtureLamp||switch",
                                    "Gauge|FixtureGauge||gauge", "Dial|FixtureLamp|Lamp|" }
                             << true;
}

void tst_XWidgetStandartDialog::changedTableRebuildsTheComponents()
{
    QFETCH(QString, change);
    EditedWidget edited;
    QList<QPointer<XWidgetStandartComponent>> before;
    for (XWidgetStandartComponent* component : qAsConst(edited.widget->components))
        before.append(component);
    XWidgetStandartComponentSettings* lampRecord = edited.record.components.first();

    ModalAnswerer answerer({ { DIALOG_TYPE, DIALOG_TITLE, {}, [&change](QWidget* dialog) {
                                  XWidgetStandartDialogModel* model
                                      = qobject_cast<XWidgetStandartDialog*>(dialog)->model;
                                  auto set = [model](int row, int column, const QString& value) {
                                      QVERIFY(model->setData(model->index(row, column), value, Qt::EditRole));
                                  };
                                  if (change == "connect")
                                      set(0, 2, "Gauge");
                                  else if (change == "rename")
                                      set(0, 0, "Bulb");
                                  else if (change == "library")
                                      set(0, 1, GAUGE_LIB);
                                  else if (change == "paste")
                                      model->items.first()->editedLibSettings = text("switch");
                                  else if (change == "reorder") {
                                      model->deleteItem(1);
                                      model->itemDown(model->index(0, 0));
                                  } else if (change == "add") {
                                      model->addNewItem();
                                      set(3, 0, "Dial");
                                      set(3, 1, LAMP_LIB);
                                      set(3, 2, "Lamp");
                                  }
                                  button(dialog, "OK")->click();
                              } } });
    edited.widget->showSettingsDialog();
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));

    QTEST(edited.components(), "components");
    for (const QPointer<XWidgetStandartComponent>& old : qAsConst(before)) {
        QVERIFY(!edited.widget->components.contains(old.data()));
        QTRY_VERIFY(old.isNull());
    }
    QCOMPARE(edited.widget->components.size(), edited.record.components.size());
    for (int i = 0; i < edited.record.components.size(); ++i) {
        XWidgetStandartComponent* component = edited.widget->components.at(i);
        QCOMPARE(component->settings, edited.record.components.at(i));
        QVERIFY(component->object);
        QCOMPARE(component->object->getMap().value("text"),
            edited.record.components.at(i)->libSettings.value("text"));
    }
    QFETCH(bool, lampKeepsRecord);
    QCOMPARE(edited.record.components.contains(lampRecord), lampKeepsRecord);
    if (lampKeepsRecord)
        QCOMPARE(edited.component(lampRecord->name)->geometry(), QRect(10, 10, 30, 30));
    // The links follow the new rows.
    if (change == "connect")
        QCOMPARE(edited.component("Lamp")->connectedComponents(),
            QList<XWidgetStandartComponent*> { edited.component("Gauge") });
}

void tst_XWidgetStandartDialog::acceptReopensTheDialog()
{
    EditedWidget edited;
    QStringList seen;
    ModalAnswerer answerer({ { DIALOG_TYPE, DIALOG_TITLE, {},
                                 [&seen](QWidget* dialog) {
                                     XWidgetStandartDialogModel* model
                                         = qobject_cast<XWidgetStandartDialog*>(dialog)->model;
                                     seen.append(rows(model).join(','));
                                     model->setData(model->index(2, 0), "Dial", Qt::EditRole);
                                     button(dialog, "Accept")->click();
                                 } },
        { DIALOG_TYPE, DIALOG_TITLE, {}, [&seen](QWidget* dialog) {
             auto* settings = qobject_cast<XWidgetStandartDialog*>(dialog);
             seen.append(rows(settings->model).join(','));
             QVERIFY(settings->model->items.at(2)->component);
             settings->reject();
         } } });
    edited.widget->showSettingsDialog();
    QTRY_VERIFY(answerer.finished());
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(seen, (QStringList { "Lamp->Switch,Switch->,Gauge->", "Lamp->Switch,Switch->,Dial->" }));
    QTRY_COMPARE(edited.widget->findChildren<XWidgetStandartDialog*>().size(), 0);
}

void tst_XWidgetStandartDialog::kitAppliedStaysAfterRestart_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("OK") << "OK";
    QTest::newRow("Accept") << "Accept";
}

// Rows loaded from a kit become components that own the kit's records; the
// program writes them into the widget's file at exit and has them again at
// its next start.
void tst_XWidgetStandartDialog::kitAppliedStaysAfterRestart()
{
    QFETCH(QString, button);
    const QString kit = writeKit("pair.swkit", { { "Lamp", "Switch", "kit lamp" }, { "Switch", "", "kit switch" } });
    TestAppFolder::cleanOwnFolder();
    {
        EditedWidget edited;
        TestAppFolder::writeOwnFile(QStringLiteral("standart_widgets/boiler.sw"),
            QJsonDocument(QJsonObject::fromVariantMap(edited.record.getMap())).toJson());
    }
    ApplicationData applicationData;
    QCoreApplication::setApplicationName(applicationData.applicationName());
    auto window = std::make_unique<MainWindow>(&applicationData);
    auto boiler = [] { return qobject_cast<XWidgetStandart*>(XWidgetsPanel->getXWidgetByID("boiler")); };
    auto components = [](const XWidgetStandart* widget) {
        QStringList result;
        for (const XWidgetStandartComponent* c : widget->components)
            result.append(c->settings->name + "|" + c->settings->connectToComponent + "|"
                + (c->object ? c->object->getMap().value("text").toString() : "no object") + "|"
                + QString::number(c->geometry().x()) + "," + QString::number(c->geometry().y()));
        return result;
    };
    QVERIFY(boiler());

    QList<ModalAnswerer::Expected> expected { { DIALOG_TYPE, DIALOG_TITLE, {}, [&button](QWidget* dialog) {
                                                   auto* settings = qobject_cast<XWidgetStandartDialog*>(dialog);
                                                   settings->buttonClicked(XWidgetStandartDialog::LoadKitButton);
                                                   ::button(dialog, button)->click();
                                               } },
        { "XWidgetStandartKitFileDialog", "Load kit", kit, {} }, { "QInputDialog", "", "K_", {} } };
    QStringList reopened;
    if (button == "Accept") {
        expected.append({ DIALOG_TYPE, DIALOG_TITLE, {}, [&reopened](QWidget* dialog) {
                             auto* settings = qobject_cast<XWidgetStandartDialog*>(dialog);
                             for (const XWidgetStandartDialogComponentItem* item : settings->model->items)
                                 reopened << item->name + (item->component ? "+" : "-");
                             settings->reject();
                         } });
    }
    {
        ModalAnswerer answerer(expected);
        boiler()->showSettingsDialog();
        QTRY_VERIFY(answerer.finished());
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    }
    if (button == "Accept")
        QCOMPARE(reopened, (QStringList { "Lamp+", "Switch+", "Gauge+", "K_Lamp+", "K_Switch+" }));
    const QStringList applied = components(boiler());
    QCOMPARE(applied.mid(3), (QStringList { "K_Lamp|K_Switch|kit lamp|40,50", "K_Switch||kit switch|40,50" }));
    XWidgetStandartComponent* lamp = boiler()->components.at(3);
    QCOMPARE(lamp->settings, boiler()->settings->components.at(3));
    QCOMPARE(lamp->connectedComponents(), QList<XWidgetStandartComponent*> { boiler()->components.at(4) });

    window.reset();
    window = std::make_unique<MainWindow>(&applicationData);
    QVERIFY(boiler());
    QCOMPARE(components(boiler()), applied);
    window.reset();
    // What the program wrote goes; the script the other tests offer stays.
    TestAppFolder::cleanOwnFolder();
    TestAppFolder::writeOwnFile("scripts/pump.js", "");
}

// A renamed row has let go of its component but still points at the
// widget's record: cancelling must leave that record alone.
void tst_XWidgetStandartDialog::cancelAppliesNothing()
{
    EditedWidget edited;
    const QList<XWidgetStandartComponent*> before = edited.widget->components;
    const QStringList components = edited.components();
    edited.component("Switch")->setValue("stale", nullptr);
    ModalAnswerer answerer({ { DIALOG_TYPE, DIALOG_TITLE, {}, [](QWidget* dialog) {
                                  auto* settings = qobject_cast<XWidgetStandartDialog*>(dialog);
                                  XWidgetStandartDialogModel* model = settings->model;
                                  model->setData(model->index(0, 0), "Bulb", Qt::EditRole);
                                  model->setData(model->index(1, 1), GAUGE_LIB, Qt::EditRole);
                                  settings->nameEdit->setText("Changed");
                                  settings->reject();
                              } } });
    edited.widget->showSettingsDialog();
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(edited.widget->components, before);
    QCOMPARE(edited.components(), components);
    QCOMPARE(edited.record.name, QStringLiteral("Boiler"));
    QCOMPARE(edited.component("Switch")->lastSetValue(), QVariant("Boiler"));
}

void tst_XWidgetStandartDialog::cancelAfterKitLoadLeavesNoRecords()
{
    const QString kit = writeKit("pair.swkit", { { "Lamp", "Switch", "" }, { "Switch", "", "" } });
    EditedWidget edited;
    const QList<XWidgetStandartComponentSettings*> records = edited.record.components;
    auto dialog = edited.dialog();
    {
        ModalAnswerer answerer(
            { { "XWidgetStandartKitFileDialog", "Load kit", kit, {} }, { "QInputDialog", "", "K_", {} } });
        dialog->buttonClicked(XWidgetStandartDialog::LoadKitButton);
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    }
    QCOMPARE(dialog->model->rowCount(), 5);
    dialog->reject();
    QCOMPARE(dialog->result(), 0);
    for (const XWidgetStandartDialogComponentItem* item : qAsConst(dialog->model->items))
        QVERIFY(!item->settings || records.contains(item->settings));
    dialog.reset();
    QCOMPARE(edited.record.components, records);
}

void tst_XWidgetStandartDialog::columnTitlesShowInFull_data()
{
    RowTranslation::addRows(TestAppFolder::stageDir() + QStringLiteral("/lng/de.qm"));
}

void tst_XWidgetStandartDialog::columnTitlesShowInFull()
{
    RowTranslation translation;
    QVERIFY(translation.loaded());
    EditedWidget edited;
    auto dialog = edited.dialog();
    translation.remove();
    dialog->show();
    const QStringList cut = waitForFullColumnTitles(dialog->table);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral(", "))));
}

QTEST_MAIN(tst_XWidgetStandartDialog)
#include "tst_xwidgetstandartdialog.moc"
