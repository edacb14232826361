#pragma once

#include <QPoint>
#include <QString>
#include <QTabWidget>

class XModule;

// The "Modules" tab: one page per module that has a widget, and last a "+"
// tab without a page that asks for a new module instead of becoming current.
class XModulesTabWidget : public QTabWidget
{
    Q_OBJECT

public:
    XModulesTabWidget();
    ~XModulesTabWidget() override;

    XModule* findModule(const QString& name) const;
    bool isNameBusy(const QString& name, bool showMessage, QWidget* messageParent = nullptr);
    // The module whose page is tab index; null for "+" and outside the tabs.
    XModule* moduleAt(int index) const;

signals:
    void addModuleCliked();

public slots:
    void slotCustomMenuRequested(QPoint pos);
    void currentChanged(int index);
    void tabBarClicked(int index);
    void removeModuleClicked();
    void renameModuleClicked();

protected:
    void tabInserted(int index) override;

private:
    // The module that the context-menu action sending the current signal was
    // made for, with its tab index.
    XModule* moduleOfMenuAction(int* index) const;

    int m_previousIndex = 0;
};
