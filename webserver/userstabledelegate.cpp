#include "userstabledelegate.h"

#include "userstabledelegatewidget.h"
#include "useritem.h"

#include <QLayout>
#include <QPainter>

UsersTableDelegate::UsersTableDelegate(QObject* parent)
    : QItemDelegate(parent)
    , m_card(new UsersTableDelegateWidget)
{
}

UsersTableDelegate::~UsersTableDelegate()
{
    delete m_card;
}

void UsersTableDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    auto* user = index.data(Qt::DisplayRole).value<UserItem*>();
    if (!user)
        return;
    m_card->setUser(user);
    m_card->resize(option.rect.size());
    // The card is never shown, so nothing lays it out for the new texts and
    // size unless asked to before it is rendered.
    m_card->layout()->activate();

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->translate(option.rect.topLeft());
    m_card->render(painter, QPoint(0, 0), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    painter->restore();
}

QSize UsersTableDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    Q_UNUSED(option)
    Q_UNUSED(index)
    return m_card->sizeHint();
}
