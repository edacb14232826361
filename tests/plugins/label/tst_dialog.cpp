#include "dialog.h"
#include "headerfit.h"
#include "item.h"
#include "modalanswerer.h"
#include "rowtranslation.h"
#include "tablemodel.h"
#include "testappfolder.h"
#include "xwplabel.h"

#include <QDialogButtonBox>
#include <QFontDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
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

QVariantList conditions()
{
    return {
        item(Item::Undefined, "", "no data", "gray"),
        item(Item::Equally, "1", "%%name%% open", "green"),
        item(Item::Other, "", "%%name%% closed", "red"),
    };
}

// A named label placed in a widget as the host places it.
struct LabelFixture
{
    LabelFixture()
    {
        auto* layout = new QVBoxLayout(&host);
        layout->addLayout(label);
        label->setMap({ { "items", indexed(conditions()) } });
        label->setName("Valve");
        text = qobject_cast<QLabel*>(label->getInsideObject("value"));
    }

    QVariantMap items() { return label->getMap().value("items").toMap(); }

    QWidget host;
    XwpLabel* label = new XwpLabel;
    QLabel* text = nullptr;
};

QPushButton* button(QWidget* dialog, const QString& text)
{
    const QList<QPushButton*> buttons = dialog->findChildren<QPushButton*>();
    for (QPushButton* b : buttons) {
        if (b->text().remove('&') == text)
            return b;
    }
    return nullptr;
}

QPushButton* boxButton(QWidget* dialog, QDialogButtonBox::StandardButton which)
{
    return dialog->findChild<QDialogButtonBox*>()->button(which);
}

TableModel* tableModel(QWidget* dialog)
{
    return qobject_cast<TableModel*>(dialog->findChild<QTableView*>()->model());
}

void clickCell(QWidget* dialog, int row, int column)
{
    auto* view = dialog->findChild<QTableView*>();
    const QRect cell = view->visualRect(view->model()->index(row, column));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

// The settings dialog of the fixture's label, which is titled after the label.
ModalAnswerer::Expected settingsDialog(std::function<void(QWidget*)> act)
{
    return { "Dialog", "Valve", QString(), std::move(act) };
}

// The question that a click on a Delete cell asks.
const ModalAnswerer::Expected DELETING_YES { "QMessageBox", "Deleting item", "&Yes" };

// The font dialog that the "Font" button opens: the font chosen there, one
// size up by 7 points, is returned through `chosen`.
ModalAnswerer::Expected fontDialog(QFont* chosen, bool confirm)
{
    return { "QFontDialog", "Select Font", QString(), [chosen, confirm](QWidget* modal) {
                auto* fontDialog = static_cast<QFontDialog*>(modal);
                QFont font = fontDialog->currentFont();
                font.setPointSize(font.pointSize() + 7);
                fontDialog->setCurrentFont(font);
                *chosen = fontDialog->currentFont();
                confirm ? fontDialog->accept() : fontDialog->reject();
            } };
}

void deleteRow(QWidget* dialog, int row)
{
    clickCell(dialog, row, TableModel::DeleteColumn);
}

void chooseFont(QWidget* dialog)
{
    button(dialog, "Font")->click();
}
}

class tst_Dialog : public QObject
{
    Q_OBJECT

private slots:
    void window();
    void okWithoutChangesKeepsConditions();
    void editsReachSettingsMap();
    void cancelKeepsConditionsButNotFont();
    void fontCancelledInFontDialog();
    void geometryRoundTrip();
    void columnTitlesShowInFull_data();
    void columnTitlesShowInFull();
};

void tst_Dialog::window()
{
    LabelFixture fixture;
    QPointer<QWidget> opened;
    ModalAnswerer answerer({ settingsDialog([&](QWidget* modal) {
        opened = modal;
        QCOMPARE(modal->parentWidget(), fixture.text);
        auto* view = modal->findChild<QTableView*>();
        QCOMPARE(view->model()->rowCount(), 3);
        QCOMPARE(view->model()->headerData(0, Qt::Horizontal).toString(), QString("Condition"));
        QVERIFY(button(modal, "Add"));
        QVERIFY(boxButton(modal, QDialogButtonBox::Ok));
        boxButton(modal, QDialogButtonBox::Cancel)->click();
    }) });
    fixture.label->settingsDialog(QByteArray());
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QVERIFY(opened);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!opened);
}

void tst_Dialog::okWithoutChangesKeepsConditions()
{
    LabelFixture fixture;
    const QVariantMap before = fixture.items();
    QSignalSpy updated(fixture.label, &XWidgetStandartComponentBaseClass::libSettingsUpdated);
    ModalAnswerer answerer(
        { settingsDialog([](QWidget* modal) { boxButton(modal, QDialogButtonBox::Ok)->click(); }) });
    fixture.label->settingsDialog(QByteArray());
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(updated.count(), 1);
    QCOMPARE(fixture.items(), before);
}

void tst_Dialog::editsReachSettingsMap()
{
    LabelFixture fixture;
    QSignalSpy updated(fixture.label, &XWidgetStandartComponentBaseClass::libSettingsUpdated);
    QFont chosen;
    ModalAnswerer answerer({ settingsDialog([&](QWidget* modal) {
                                // The Undefined row goes, a More row is added at the end.
                                deleteRow(modal, 0);
                                QCOMPARE(tableModel(modal)->rowCount(), 2);
                                button(modal, "Add")->click();
                                TableModel* model = tableModel(modal);
                                QCOMPARE(model->rowCount(), 3);
                                QCOMPARE(model->index(2, TableModel::ConditionColumn).data().toInt(),
                                    int(Item::Equally));
                                QVERIFY(model->setData(model->index(2, TableModel::ConditionColumn), int(Item::More)));
                                QVERIFY(model->setData(model->index(2, TableModel::ValueColumn), "5"));
                                QVERIFY(model->setData(model->index(2, TableModel::TextColumn), "%%value%% bar"));
                                QVERIFY(model->setData(model->index(2, TableModel::ColorColumn), "blue"));
                                chooseFont(modal);
                                boxButton(modal, QDialogButtonBox::Ok)->click();
                            }),
        DELETING_YES, fontDialog(&chosen, true) });
    fixture.label->settingsDialog(QByteArray());
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));

    QCOMPARE(updated.count(), 1);
    const QVariantMap expected
        = indexed({ conditions().at(1), conditions().at(2), item(Item::More, "5", "%%value%% bar", "blue") });
    QCOMPARE(fixture.items(), expected);
    QCOMPARE(fixture.label->getMap().value("font").toString(), chosen.toString());
    QCOMPARE(fixture.text->font(), chosen);

    // The label now renders by the new conditions: no Undefined row any more.
    QCOMPARE(fixture.text->text(), QString("Valve closed"));
    fixture.label->setValue(7.5);
    QCOMPARE(fixture.text->text(), QString("7.5 bar"));
    QCOMPARE(fixture.text->palette().color(QPalette::WindowText), QColor("blue"));
    fixture.label->setValue(3);
    QCOMPARE(fixture.text->text(), QString("Valve closed"));
    fixture.label->setValue("1");
    QCOMPARE(fixture.text->text(), QString("Valve open"));
}

void tst_Dialog::cancelKeepsConditionsButNotFont()
{
    LabelFixture fixture;
    const QVariantMap before = fixture.items();
    const QFont shown = fixture.text->font();
    QSignalSpy updated(fixture.label, &XWidgetStandartComponentBaseClass::libSettingsUpdated);
    QFont chosen;
    ModalAnswerer answerer({ settingsDialog([&](QWidget* modal) {
                                button(modal, "Add")->click();
                                TableModel* model = tableModel(modal);
                                QVERIFY(model->setData(model->index(1, TableModel::TextColumn), "changed"));
                                deleteRow(modal, 0);
                                QCOMPARE(model->rowCount(), 3);
                                chooseFont(modal);
                                boxButton(modal, QDialogButtonBox::Cancel)->click();
                            }),
        DELETING_YES, fontDialog(&chosen, true) });
    fixture.label->settingsDialog(QByteArray());
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));

    QCOMPARE(updated.count(), 0);
    QCOMPARE(fixture.items(), before);
    QCOMPARE(fixture.text->text(), QString("no data"));
    // The confirmed font is in the settings already; the label shows it once it takes its settings again.
    QCOMPARE(fixture.label->getMap().value("font").toString(), chosen.toString());
    QCOMPARE(fixture.text->font(), shown);
    fixture.label->acceptSettings();
    QCOMPARE(fixture.text->font(), chosen);
}

void tst_Dialog::fontCancelledInFontDialog()
{
    LabelFixture fixture;
    const QString before = fixture.label->getMap().value("font").toString();
    QFont offered;
    ModalAnswerer answerer({ settingsDialog([&](QWidget* modal) {
                                chooseFont(modal);
                                boxButton(modal, QDialogButtonBox::Ok)->click();
                            }),
        fontDialog(&offered, false) });
    fixture.label->settingsDialog(QByteArray());
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QVERIFY(offered.toString() != before);
    QCOMPARE(fixture.label->getMap().value("font").toString(), before);
}

void tst_Dialog::geometryRoundTrip()
{
    LabelFixture fixture;
    const QRect placed(120, 130, 640, 360);
    ModalAnswerer placing({ settingsDialog([&](QWidget* modal) {
        modal->setGeometry(placed);
        boxButton(modal, QDialogButtonBox::Cancel)->click();
    }) });
    const QByteArray saved = fixture.label->settingsDialog(QByteArray());
    QVERIFY2(placing.failure().isEmpty(), qPrintable(placing.failure()));
    QVERIFY(!saved.isEmpty());

    QRect restored;
    ModalAnswerer reopening({ settingsDialog([&](QWidget* modal) {
        restored = modal->geometry();
        boxButton(modal, QDialogButtonBox::Ok)->click();
    }) });
    const QByteArray again = fixture.label->settingsDialog(saved);
    QVERIFY2(reopening.failure().isEmpty(), qPrintable(reopening.failure()));
    QCOMPARE(restored, placed);
    QCOMPARE(again, saved);
}

void tst_Dialog::columnTitlesShowInFull_data()
{
    RowTranslation::addRows(TestAppFolder::stageDir() + QStringLiteral("/widgets_components_lib/VistagLng/de.qm"));
}

void tst_Dialog::columnTitlesShowInFull()
{
    RowTranslation translation;
    QVERIFY(translation.loaded());
    LabelFixture fixture;
    QStringList cut { QStringLiteral("dialog not opened") };
    ModalAnswerer answerer({ settingsDialog([&](QWidget* modal) {
        cut = waitForFullColumnTitles(modal->findChild<QTableView*>());
        boxButton(modal, QDialogButtonBox::Cancel)->click();
    }) });
    fixture.label->settingsDialog(QByteArray());
    translation.remove();
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral(", "))));
}

QTEST_MAIN(tst_Dialog)
#include "tst_dialog.moc"
