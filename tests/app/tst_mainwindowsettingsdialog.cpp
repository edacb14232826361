#include "applicationdata.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "terminationsignals.h"
#include "testappfolder.h"
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
#include <QAction>
#include <QComboBox>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <csignal>
#include <memory>

namespace {
const char DIALOG_TYPE[] = "XWidgetStandartDialog";
const char DIALOG_TITLE[] = "Standard widget settings (boiler)";
const char LABEL_TEXT[] = "Boiler pressure";

// One Vistag label "title" that shows LABEL_TEXT while it has no value.
QByteArray boilerFile()
{
    const QJsonObject condition { { "condition", 4 }, { "value", "" }, { "text", LABEL_TEXT },
        { "color", "blue" } };
    const QJsonObject title { { "name", "title" }, { "libName", "Vistag" },
        { "libSettings", QJsonObject { { "items", QJsonObject { { "0", condition } } } } } };
    return QJsonDocument(QJsonObject { { "base", QJsonObject { { "id", "boiler" } } }, { "name", "Boiler" },
                             { "components", QJsonObject { { "0", title } } } })
        .toJson();
}

QPushButton* button(QWidget* dialog, const QString& text)
{
    for (QPushButton* candidate : dialog->findChildren<QPushButton*>()) {
        if (candidate->text() == text)
            return candidate;
    }
    return nullptr;
}

void clickCell(QTableView* table, int row, int column)
{
    const QRect cell = table->visualRect(table->model()->index(row, column));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

// Opens the cell's editor as the view does, sets it through `edit` and
// commits it as Enter does.
template <typename Editor>
void editCell(QTableView* table, int row, int column, std::function<void(Editor*)> edit)
{
    const QModelIndex index = table->model()->index(row, column);
    table->setCurrentIndex(index);
    table->edit(index);
    auto* editor = qobject_cast<Editor*>(table->indexWidget(index));
    QVERIFY(editor);
    edit(editor);
    // What Enter sets off, without the queued hop: no events are processed
    // here, so nothing else can reach the dialog meanwhile.
    QAbstractItemDelegate* delegate = table->itemDelegate();
    emit delegate->commitData(editor);
    emit delegate->closeEditor(editor, QAbstractItemDelegate::SubmitModelCache);
    QVERIFY(!editor->isVisible());
}

QString labelText(XWidgetStandartComponent* component)
{
    auto* label = component && component->object
        ? qobject_cast<QLabel*>(component->object->getInsideObject(QStringLiteral("value")))
        : nullptr;
    return label ? label->text() : QStringLiteral("no label");
}
}

class tst_MainWindowSettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void componentAddedThroughTheDialogIsShownAndStored();
};

void tst_MainWindowSettingsDialog::initTestCase()
{
    TestAppFolder::cleanOwnFolder();
    TestAppFolder::linkStagedFolders();
}

// The operator's road: "Additional settings", a new Vistag row named and
// connected, the title's label settings pasted into it, "Accept"; the
// reopened dialog shows the rows bound to the new components and "OK" keeps
// them. Ended by SIGTERM, the program stores the new component.
void tst_MainWindowSettingsDialog::componentAddedThroughTheDialogIsShownAndStored()
{
    TestAppFolder::writeOwnFile("standart_widgets/boiler.sw", boilerFile());
    TerminationSignals terminationSignals;
    ApplicationData applicationData;
    auto window = std::make_unique<MainWindow>(&applicationData);
    window->show();
    QCOMPARE(XWidgetStandartList.size(), 1);
    XWidgetStandart* widget = XWidgetStandartList.first();
    QCOMPARE(labelText(widget->component(QStringLiteral("title"))), QString::fromLatin1(LABEL_TEXT));

    QList<QPointer<XWidgetStandartComponent>> reopenedWith;
    ModalAnswerer answerer(
        { { DIALOG_TYPE, DIALOG_TITLE, {},
              [](QWidget* dialog) {
                  auto* settings = qobject_cast<XWidgetStandartDialog*>(dialog);
                  QTableView* table = settings->table;
                  button(dialog, "Add")->click();
                  QCOMPARE(settings->model->rowCount(), 2);
                  editCell<QLineEdit>(
                      table, 1, 0, [](QLineEdit* e) { e->setText(QStringLiteral("pressure")); });
                  editCell<QComboBox>(table, 1, 1, [](QComboBox* e) {
                      QVERIFY(e->findText(QStringLiteral("Vistag")) > 0);
                      e->setCurrentText(QStringLiteral("Vistag"));
                  });
                  editCell<QComboBox>(table, 1, 2, [](QComboBox* e) {
                      QCOMPARE(e->count(), 2);
                      e->setCurrentText(QStringLiteral("title"));
                  });
                  clickCell(table, 0, 4);
                  clickCell(table, 1, 5);
                  QCOMPARE(settings->model->index(1, 5).data().toString(), QStringLiteral("Paste (+)"));
                  QCOMPARE(settings->model->items.at(1)->name, QStringLiteral("pressure"));
                  QCOMPARE(settings->model->items.at(1)->libName, QStringLiteral("Vistag"));
                  QCOMPARE(settings->model->items.at(1)->connectToComponent, QStringLiteral("title"));
                  button(dialog, "Accept")->click();
              } },
            { DIALOG_TYPE, DIALOG_TITLE, {}, [&reopenedWith](QWidget* dialog) {
                 auto* settings = qobject_cast<XWidgetStandartDialog*>(dialog);
                 for (const XWidgetStandartDialogComponentItem* item : qAsConst(settings->model->items)) {
                     QVERIFY(item->component);
                     reopenedWith.append(item->component);
                 }
                 button(dialog, "OK")->click();
             } } });
    widget->settingsAction->trigger();
    QTRY_VERIFY(answerer.finished());
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));

    QCOMPARE(reopenedWith.size(), 2);
    QCOMPARE(widget->components.size(), 2);
    for (int i = 0; i < 2; ++i)
        QCOMPARE(widget->components.at(i), reopenedWith.at(i).data());
    XWidgetStandartComponent* pressure = widget->component(QStringLiteral("pressure"));
    QVERIFY(pressure);
    QTRY_VERIFY(pressure->isVisible());
    QCOMPARE(labelText(pressure), QString::fromLatin1(LABEL_TEXT));
    QCOMPARE(pressure->connectedComponents(),
        QList<XWidgetStandartComponent*> { widget->component(QStringLiteral("title")) });

    // As the program ends on SIGTERM: the event loop quits, then the window goes.
    QEventLoop loop;
    QTimer::singleShot(0, []() { ::raise(SIGTERM); });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, &loop, [&loop]() { loop.exit(1); });
    watchdog.start(10000);
    QCOMPARE(loop.exec(), 0);
    window.reset();

    const QJsonObject stored
        = QJsonDocument::fromJson(TestAppFolder::readOwnFile("standart_widgets/boiler.sw")).object();
    const QJsonObject components = stored.value("components").toObject();
    QCOMPARE(components.keys(), (QStringList { "0", "1" }));
    const QJsonObject added = components.value("1").toObject();
    QCOMPARE(added.value("name").toString(), QStringLiteral("pressure"));
    QCOMPARE(added.value("libName").toString(), QStringLiteral("Vistag"));
    QCOMPARE(added.value("connectToComponent").toString(), QStringLiteral("title"));
    const QJsonObject condition
        = added.value("libSettings").toObject().value("items").toObject().value("0").toObject();
    QCOMPARE(condition.value("text").toString(), QString::fromLatin1(LABEL_TEXT));
    QCOMPARE(condition.value("color").toString(), QStringLiteral("blue"));
}

QTEST_MAIN(tst_MainWindowSettingsDialog)
#include "tst_mainwindowsettingsdialog.moc"
