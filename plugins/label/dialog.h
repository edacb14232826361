#pragma once

#include <QDialog>
#include <QList>

class Item;
class QTableView;
class Settings;
class TableModel;

// The label's settings: its font and its conditions. The conditions are
// edited as copies and reach the label only on OK; a chosen font goes into the
// label's settings at once.
class Dialog : public QDialog
{
    Q_OBJECT

public:
    Dialog(Settings* settings, QList<Item*>* items, QString title, QWidget* parent);
    ~Dialog() override;

public slots:
    void fontDialog();
    void addNewClicked();
    void accept() override;

private:
    Settings* settings = nullptr;
    QList<Item*>* items = nullptr;
    QTableView* tableView = nullptr;
    TableModel* model = nullptr;
};
