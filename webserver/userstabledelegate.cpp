#include "userstabledelegate.h"

#include "useritem.h"
#include "userstabledelegatewidget.h"

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

void UsersTableDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
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
    // A card whose content needs more than the row never spills into its neighbours.
    m_card->render(painter, QPoint(0, 0), QRegion(QRect(QPoint(0, 0), option.rect.size())),
        QWidget::DrawWindowBackground | QWidget::DrawChildren);
    painter->restore();
}

QSize UsersTableDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    Q_UNUSED(option)
    // The hint of a card that shows this row's user: an empty card is smaller
    // than any photo, and rows sized after it would cut the cards off.
    if (auto* user = index.data(Qt::DisplayRole).value<UserItem*>())
        m_card->setUser(user);
    return m_card->sizeHint();
}
