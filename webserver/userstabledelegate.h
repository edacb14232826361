#pragma once

#include <QItemDelegate>

class UsersTableDelegateWidget;

// Paints each row by rendering one card widget filled with the row's user.
class UsersTableDelegate : public QItemDelegate
{
    Q_OBJECT

public:
    explicit UsersTableDelegate(QObject* parent = nullptr);
    ~UsersTableDelegate() override;

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    UsersTableDelegateWidget* m_card = nullptr;
};
