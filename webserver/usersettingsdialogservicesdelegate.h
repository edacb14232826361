#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

// The access column: a combo box to edit, a menu-bar item to show.
class UserSettingsDialogServicesDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit UserSettingsDialogServicesDelegate(QObject* parent = nullptr);

    QWidget* createEditor(
        QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(
        QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    QStringList accessNames() const { return m_accessNames; }

private:
    QString accessName(int access) const;

    // Indexed by the access value.
    QStringList m_accessNames;
};
