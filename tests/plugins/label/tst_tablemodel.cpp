#include "item.h"
#include "modalanswerer.h"
#include "tabledelegate.h"
#include "tablemodel.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QtTest>

namespace {
const Qt::ItemFlags EDITABLE = Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
const Qt::ItemFlags READ_ONLY = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
const Qt::ItemFlags ENABLED_ONLY = Qt::ItemIsEnabled;

Item* newItem(int condition, const QString& value, const QString& text, const QString& color)
{
    auto* item = new Item;
    item->condition = condition;
    item->value = value;
    item->text = text;
    item->color = color;
    return item;
}

// A model with three rows in a view, as the dialog shows it.
struct TableFixture
{
    TableFixture()
    {
        model.addNewItem(newItem(Item::Equally, "1", "one", "red"));
        model.addNewItem(newItem(Item::Other, "kept", "other", ""));
        model.addNewItem(newItem(Item::Less, "0", "below", "#00ff00"));
        view.setModel(&model);
        view.setItemDelegate(&delegate);
        view.resize(600, 200);
        view.show();
    }

    QString cell(int row, int column) const { return model.index(row, column).data().toString(); }

    QWidget messageParent;
    TableModel model { &messageParent };
    TableDelegate delegate;
    QTableView view;
};

QString rowHeader(const TableModel& model, int row)
{
    return model.headerData(row, Qt::Vertical).toString();
}
}

class tst_TableModel : public QObject
{
    Q_OBJECT

private slots:
    void headersAndCells();
    void flags_data();
    void flags();
    void otherRowValueBecomesEditableAgain();
    void setData_data();
    void setData();
    void swatch();
    void addNewItem();
    void deleteAsks_data();
    void deleteAsks();
    void conditionEditor_data();
    void conditionEditor();
    void colorEditor_data();
    void colorEditor();
};

void tst_TableModel::headersAndCells()
{
    TableFixture fixture;
    QCOMPARE(fixture.model.rowCount(), 3);
    QCOMPARE(fixture.model.columnCount(), 5);
    QStringList titles;
    for (int column = 0; column < fixture.model.columnCount(); ++column)
        titles << fixture.model.headerData(column, Qt::Horizontal).toString();
    QCOMPARE(titles, QStringList({ "Condition", "Value", "Text", "Color", "Delete" }));
    QCOMPARE(rowHeader(fixture.model, 0), QString("1"));
    QCOMPARE(rowHeader(fixture.model, 2), QString("3"));
    QVERIFY(!fixture.model.headerData(0, Qt::Horizontal, Qt::ToolTipRole).isValid());

    const QModelIndex condition = fixture.model.index(2, TableModel::ConditionColumn);
    QCOMPARE(condition.data(Qt::DisplayRole), QVariant(int(Item::Less)));
    QCOMPARE(condition.data(Qt::EditRole), QVariant(int(Item::Less)));
    QCOMPARE(fixture.cell(2, TableModel::ValueColumn), QString("0"));
    QCOMPARE(fixture.cell(2, TableModel::TextColumn), QString("below"));
    QCOMPARE(fixture.cell(2, TableModel::ColorColumn), QString("#00ff00"));
    QCOMPARE(fixture.cell(2, TableModel::DeleteColumn), QString("Delete"));
    QVERIFY(!fixture.model.index(0, TableModel::TextColumn).data(Qt::ToolTipRole).isValid());
    QVERIFY(!fixture.model.index(0, TableModel::TextColumn).data(Qt::DecorationRole).isValid());
    QVERIFY(!fixture.model.data(QModelIndex()).isValid());

    // The Condition column is painted by name: drawing the whole table must not trip over any cell.
    QVERIFY(!fixture.view.grab().isNull());
}

void tst_TableModel::flags_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<Qt::ItemFlags>("expected");
    QTest::newRow("condition") << 0 << int(TableModel::ConditionColumn) << EDITABLE;
    QTest::newRow("value of an Equally row") << 0 << int(TableModel::ValueColumn) << EDITABLE;
    QTest::newRow("value of an Other row") << 1 << int(TableModel::ValueColumn) << READ_ONLY;
    QTest::newRow("text of an Other row") << 1 << int(TableModel::TextColumn) << EDITABLE;
    QTest::newRow("color") << 2 << int(TableModel::ColorColumn) << EDITABLE;
    QTest::newRow("delete") << 2 << int(TableModel::DeleteColumn) << ENABLED_ONLY;
    QTest::newRow("invalid index") << -1 << -1 << ENABLED_ONLY;
}

void tst_TableModel::flags()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(Qt::ItemFlags, expected);
    TableFixture fixture;
    QCOMPARE(fixture.model.flags(fixture.model.index(row, column)), expected);
}

void tst_TableModel::otherRowValueBecomesEditableAgain()
{
    TableFixture fixture;
    const QModelIndex value = fixture.model.index(1, TableModel::ValueColumn);
    QVERIFY(fixture.model.setData(fixture.model.index(1, TableModel::ConditionColumn), int(Item::More)));
    QCOMPARE(fixture.model.flags(value), EDITABLE);
    QCOMPARE(value.data().toString(), QString("kept"));
}

void tst_TableModel::setData_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("role");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QVariant>("shown");
    QTest::newRow("condition as text") << 0 << 0 << QVariant("2") << int(Qt::EditRole) << true << QVariant(2);
    QTest::newRow("condition not a number")
        << 0 << 0 << QVariant("x") << int(Qt::EditRole) << true << QVariant(0);
    QTest::newRow("value from a number")
        << 0 << 1 << QVariant(4.5) << int(Qt::EditRole) << true << QVariant("4.5");
    QTest::newRow("text") << 0 << 2 << QVariant("%%value%%") << int(Qt::EditRole) << true
                          << QVariant("%%value%%");
    QTest::newRow("color") << 0 << 3 << QVariant("navy") << int(Qt::EditRole) << true << QVariant("navy");
    QTest::newRow("display role refused")
        << 0 << 2 << QVariant("x") << int(Qt::DisplayRole) << false << QVariant("one");
    QTest::newRow("delete column refused")
        << 0 << 4 << QVariant("x") << int(Qt::EditRole) << false << QVariant("Delete");
}

void tst_TableModel::setData()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QVariant, value);
    QFETCH(int, role);
    QFETCH(bool, accepted);
    QFETCH(QVariant, shown);
    TableFixture fixture;
    QSignalSpy changed(&fixture.model, &QAbstractItemModel::dataChanged);
    const QModelIndex index = fixture.model.index(row, column);
    QCOMPARE(fixture.model.setData(index, value, role), accepted);
    QCOMPARE(index.data(), shown);
    QCOMPARE(changed.count(), 0);
    QVERIFY(!fixture.model.setData(QModelIndex(), value));
}

void tst_TableModel::swatch()
{
    TableFixture fixture;
    const auto swatchOf = [&](int row) {
        return fixture.model.index(row, TableModel::ColorColumn).data(Qt::DecorationRole).value<QPixmap>();
    };
    const QPixmap red = swatchOf(0);
    QCOMPARE(red.size(), QSize(10, 10));
    QCOMPARE(red.toImage().pixelColor(5, 5), QColor("red"));
    QCOMPARE(swatchOf(2).toImage().pixelColor(0, 0), QColor("#00ff00"));

    QPixmap invalid(10, 10);
    invalid.fill(QColor());
    QCOMPARE(swatchOf(1).toImage(), invalid.toImage());
}

void tst_TableModel::addNewItem()
{
    TableFixture fixture;
    QSignalSpy inserted(&fixture.model, &QAbstractItemModel::rowsInserted);
    fixture.model.addNewItem();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.first().at(1).toInt(), 3);
    QCOMPARE(fixture.model.rowCount(), 4);
    QCOMPARE(fixture.model.index(3, TableModel::ConditionColumn).data(), QVariant(int(Item::Equally)));
    for (int column : { TableModel::ValueColumn, TableModel::TextColumn, TableModel::ColorColumn })
        QCOMPARE(fixture.cell(3, column), QString());
    QCOMPARE(rowHeader(fixture.model, 3), QString("4"));

    fixture.model.deleteItem(4);
    fixture.model.deleteItem(-1);
    QCOMPARE(fixture.model.rowCount(), 4);
    fixture.model.deleteItem(0);
    QCOMPARE(fixture.cell(0, TableModel::TextColumn), QString("other"));
}

void tst_TableModel::deleteAsks_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("asked");
    const QString question = "box Deleting item | Are you sure? | No,Yes | default No";
    QTest::newRow("yes removes the row") << int(TableModel::DeleteColumn) << "Yes"
                                         << QStringList { "one", "below" } << QStringList { question };
    QTest::newRow("no keeps it") << int(TableModel::DeleteColumn) << "No"
                                 << QStringList { "one", "other", "below" } << QStringList { question };
    QTest::newRow("another column asks nothing")
        << int(TableModel::TextColumn) << "Yes" << QStringList { "one", "other", "below" } << QStringList();
}

void tst_TableModel::deleteAsks()
{
    QFETCH(int, column);
    QFETCH(QString, answer);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, asked);
    TableFixture fixture;
    QObject::connect(&fixture.view, &QTableView::clicked, &fixture.model, &TableModel::clicked);
    QList<ModalAnswerer::Expected> expected;
    if (!asked.isEmpty())
        expected << ModalAnswerer::Expected { "QMessageBox", "Deleting item", answer };
    ModalAnswerer answerer(expected);
    const QRect cell = fixture.view.visualRect(fixture.model.index(1, column));
    QTest::mouseClick(fixture.view.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());

    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(answerer.transcript, asked);
    QStringList shown;
    for (int row = 0; row < fixture.model.rowCount(); ++row)
        shown << fixture.cell(row, TableModel::TextColumn);
    QCOMPARE(shown, texts);
    QCOMPARE(rowHeader(fixture.model, fixture.model.rowCount() - 1), QString::number(texts.size()));
}

void tst_TableModel::conditionEditor_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("offered");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("stored");
    QTest::newRow("Less to Other") << int(Item::Less) << 2 << 3 << int(Item::Other);
    QTest::newRow("Undefined kept") << int(Item::Undefined) << 4 << 4 << int(Item::Undefined);
    QTest::newRow("code without a name, nothing chosen") << 7 << -1 << -1 << 7;
    QTest::newRow("code without a name, Equally chosen") << 7 << -1 << 0 << int(Item::Equally);
}

void tst_TableModel::conditionEditor()
{
    QFETCH(int, code);
    QFETCH(int, offered);
    QFETCH(int, chosen);
    QFETCH(int, stored);
    TableFixture fixture;
    const QModelIndex index = fixture.model.index(0, TableModel::ConditionColumn);
    QVERIFY(fixture.model.setData(index, code));
    QStyleOptionViewItem option;
    option.rect = QRect(3, 4, 50, 20);
    QScopedPointer<QWidget> editor(fixture.delegate.createEditor(fixture.view.viewport(), option, index));
    auto* combo = qobject_cast<QComboBox*>(editor.data());
    QVERIFY(combo);
    QVERIFY(combo->autoFillBackground());
    QStringList names;
    for (int i = 0; i < combo->count(); ++i)
        names << combo->itemText(i);
    QCOMPARE(names, QStringList({ "Equally", "More", "Less", "Other", "Undefined" }));

    fixture.delegate.setEditorData(combo, index);
    QCOMPARE(combo->currentIndex(), offered);
    fixture.delegate.updateEditorGeometry(combo, option, index);
    QCOMPARE(combo->geometry(), option.rect);
    combo->setCurrentIndex(chosen);
    fixture.delegate.setModelData(combo, &fixture.model, index);
    QCOMPARE(index.data(), QVariant(stored));
}

void tst_TableModel::colorEditor_data()
{
    QTest::addColumn<QString>("color");
    QTest::addColumn<int>("entries");
    QTest::newRow("listed name") << "red" << 0;
    QTest::newRow("empty name") << "" << 0;
    QTest::newRow("hex colour") << "#1f6feb" << 1;
    QTest::newRow("name in other letter case") << "Red" << 1;
}

// Whatever colour the cell has is the editor's current entry; closing the
// editor keeps it, and only choosing another entry changes it.
void tst_TableModel::colorEditor()
{
    QFETCH(QString, color);
    QFETCH(int, entries);
    TableFixture fixture;
    const QModelIndex index = fixture.model.index(0, TableModel::ColorColumn);
    QVERIFY(fixture.model.setData(index, color));
    QScopedPointer<QWidget> editor(
        fixture.delegate.createEditor(fixture.view.viewport(), QStyleOptionViewItem(), index));
    auto* combo = qobject_cast<QComboBox*>(editor.data());
    QVERIFY(combo);
    QVERIFY(combo->autoFillBackground());
    const QStringList names = QColor::colorNames();
    QCOMPARE(combo->count(), names.size() + 1);
    QCOMPARE(combo->itemText(0), QString());
    QVERIFY(combo->itemIcon(0).isNull());
    QVERIFY(!combo->itemData(0).isValid());
    QCOMPARE(combo->itemText(1), names.first());
    QCOMPARE(combo->itemIcon(1).pixmap(10, 10).toImage().pixelColor(5, 5), QColor(names.first()));

    fixture.delegate.setEditorData(combo, index);
    QCOMPARE(combo->currentText(), color);
    QCOMPARE(combo->count(), names.size() + 1 + entries);
    if (!color.isEmpty())
        QCOMPARE(combo->itemIcon(combo->currentIndex()).pixmap(10, 10).toImage().pixelColor(5, 5), QColor(color));
    fixture.delegate.setModelData(combo, &fixture.model, index);
    QCOMPARE(fixture.cell(0, TableModel::ColorColumn), color);

    combo->setCurrentIndex(combo->findText(QStringLiteral("blue")));
    fixture.delegate.setModelData(combo, &fixture.model, index);
    QCOMPARE(fixture.cell(0, TableModel::ColorColumn), QStringLiteral("blue"));
}

QTEST_MAIN(tst_TableModel)
#include "tst_tablemodel.moc"
