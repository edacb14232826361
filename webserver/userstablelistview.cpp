#include "userstablelistview.h"

#include "userssettingsdialog.h"
#include "userstablemodel.h"

#include <QKeyEvent>
#include <QPointer>

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
    QPointer<UsersSettingsDialog> dialog = new UsersSettingsDialog(m_model->users(), row, this);
    dialog->exec();
    // OK asks for the dialog to be deleted when it closes; a dialog closed any
    // other way is ours to delete. Either way it goes now, not with the view.
    delete dialog.data();
    // The dialog edits the record and may take it out of the list without
    // the model knowing.
    m_model->reload();
}
