#pragma once

#include <QListView>

class UsersTableModel;

// The users' cards. Delete removes the current user at once; a double click
// opens the user's settings.
class UsersTableListView : public QListView
{
    Q_OBJECT

public:
    explicit UsersTableListView(UsersTableModel* model, QWidget* parent = nullptr);

public slots:
    void addNew();

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void openUserSettings(int row);

    UsersTableModel* m_model = nullptr;
};
