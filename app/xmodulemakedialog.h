#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QTextBrowser;

// Picks the library for a new module among those in <app>/modules_lib that
// describe themselves.
class XModuleMakeDialog : public QDialog
{
    Q_OBJECT

public:
    explicit XModuleMakeDialog(QWidget* parent = nullptr);

    QString libName() const;

public slots:
    void moduleSelectChanged();

private:
    QComboBox* m_libraries = nullptr;
    QTextBrowser* m_description = nullptr;
    QLabel* m_version = nullptr;
};
