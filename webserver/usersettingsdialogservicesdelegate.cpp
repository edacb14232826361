#include "usersettingsdialogservicesdelegate.h"

#include <QApplication>
#include <QComboBox>
#include <QStyle>
#include <QStyleOptionMenuItem>

namespace {
const int ACCESS_COLUMN = 1;
}

UserSettingsDialogServicesDelegate::UserSettingsDialogServicesDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
    , m_accessNames { tr("Not allowed"), tr("Read only"), tr("Read and write") }
{
}

QWidget* UserSettingsDialogServicesDelegate::createEditor(
    QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.column() != ACCESS_COLUMN)
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto* editor = new QComboBox(parent);
    editor->setAutoFillBackground(true);
    editor->addItems(m_accessNames);
    return editor;
}

void UserSettingsDialogServicesDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* combo = qobject_cast<QComboBox*>(editor);
    if (index.column() != ACCESS_COLUMN || !combo) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    combo->setCurrentIndex(index.data(Qt::DisplayRole).toInt());
}

void UserSettingsDialogServicesDelegate::setModelData(
    QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* combo = qobject_cast<QComboBox*>(editor);
    if (index.column() != ACCESS_COLUMN || !combo) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    // A value without a name (a hand-edited users file) selects nothing; it
    // is kept unless the operator picks a name.
    if (combo->currentIndex() < 0)
        return;
    model->setData(index, combo->currentIndex(), Qt::EditRole);
}

void UserSettingsDialogServicesDelegate::updateEditorGeometry(
    QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.column() != ACCESS_COLUMN) {
        QStyledItemDelegate::updateEditorGeometry(editor, option, index);
        return;
    }
    editor->setGeometry(option.rect);
}

void UserSettingsDialogServicesDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.column() != ACCESS_COLUMN) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionMenuItem item;
    item.rect = option.rect;
    item.palette = option.palette;
    item.state = option.state;
    item.direction = option.direction;
    item.fontMetrics = option.fontMetrics;
    item.font = option.font;
    item.menuItemType = QStyleOptionMenuItem::Normal;
    item.text = accessName(index.data(Qt::DisplayRole).toInt());
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_MenuBarItem, &item, painter, option.widget);
}

QString UserSettingsDialogServicesDelegate::accessName(int access) const
{
    // A value without a name shows as its number, so a hand edit stays visible.
    if (access < 0 || access >= m_accessNames.size())
        return QString::number(access);
    return m_accessNames.at(access);
}
