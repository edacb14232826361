#include "userstablelistview.h"

#include "userstablemodel.h"

#include <QKeyEvent>

UsersTableListView::UsersTableListView(UsersTableModel* model, QWidget* parent)
    : QListView(parent)
    , m_model(model)
{
    setModel(m_model);
}

void UsersTableListView::addNew() { }

void UsersTableListView::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Delete) {
        QListView::keyReleaseEvent(event);
        return;
    }
    const QModelIndex current = currentIndex();
    if (current.isValid())
        m_model->deleteItem(current.row());
    event->accept();
}

void UsersTableListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListView::mouseDoubleClickEvent(event);
    const QModelIndex current = currentIndex();
    if (current.isValid())
        openUserSettings(current.row());
}

void UsersTableListView::openUserSettings(int row)
{
    // The user settings dialog does not exist yet; until it does, a double
    // click on a card changes nothing.
    Q_UNUSED(row)
}
