#include "tabledelegate.h"

#include "tablemodel.h"

#include <QApplication>
#include <QColor>
#include <QComboBox>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionMenuItem>

namespace {
const int SWATCH_SIZE = 10;
// Below the empty entry, above the listed names.
const int UNLISTED_COLOR_INDEX = 1;

QIcon swatchOf(const QString& colorName)
{
    QPixmap swatch(SWATCH_SIZE, SWATCH_SIZE);
    swatch.fill(QColor(colorName));
    return QIcon(swatch);
}
}

TableDelegate::TableDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
    , conditionNames { tr("Equally"), tr("More"), tr("Less"), tr("Other"), tr("Undefined") }
{
}

QWidget* TableDelegate::createEditor(
    QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.column() == TableModel::ConditionColumn) {
        auto* combo = new QComboBox(parent);
        combo->setAutoFillBackground(true);
        combo->addItems(conditionNames);
        return combo;
    }
    if (index.column() == TableModel::ColorColumn) {
        auto* combo = new QComboBox(parent);
        combo->setAutoFillBackground(true);
        combo->addItem(QString());
        const QStringList names = QColor::colorNames();
        for (const QString& name : names)
            combo->addItem(swatchOf(name), name);
        return combo;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void TableDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (index.column() == TableModel::ConditionColumn) {
        // A code without a name (only from a hand-written map) leaves the combo without a current entry.
        auto* combo = static_cast<QComboBox*>(editor);
        const int code = index.data(Qt::DisplayRole).toInt();
        combo->setCurrentIndex(code >= 0 && code < conditionNames.size() ? code : -1);
        return;
    }
    if (index.column() == TableModel::ColorColumn) {
        // A colour the list does not name (a hex form such as "#1f6feb") gets
        // an entry of its own, so that opening and closing the editor keeps it.
        auto* combo = static_cast<QComboBox*>(editor);
        const QString color = index.data(Qt::EditRole).toString();
        int current = combo->findText(color);
        if (current < 0) {
            combo->insertItem(UNLISTED_COLOR_INDEX, swatchOf(color), color);
            current = UNLISTED_COLOR_INDEX;
        }
        combo->setCurrentIndex(current);
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void TableDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (index.column() == TableModel::ConditionColumn) {
        // No entry chosen for a code without a name: the code stays as it was.
        const int code = static_cast<QComboBox*>(editor)->currentIndex();
        if (code >= 0)
            model->setData(index, code, Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

void TableDelegate::updateEditorGeometry(
    QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.column() == TableModel::ConditionColumn) {
        editor->setGeometry(option.rect);
        return;
    }
    QStyledItemDelegate::updateEditorGeometry(editor, option, index);
}

void TableDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.column() != TableModel::ConditionColumn) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const int code = index.data(Qt::DisplayRole).toInt();
    QStyleOptionMenuItem menuItem;
    menuItem.rect = option.rect;
    menuItem.text = conditionNames.value(code, QString::number(code));
    QApplication::style()->drawControl(QStyle::CE_MenuBarItem, &menuItem, painter);
}
