#include "xmodulestabwidget.h"

#include "appglobals.h"
#include "xmodule.h"

#include <QAction>
#include <QCursor>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTabBar>

namespace {
const char ADD_TAB_TEXT[] = "+";
}

XModulesTabWidget::XModulesTabWidget()
{
    // On the bar only: with no page it stays after every page added later.
    const int addIndex = tabBar()->addTab(QLatin1String(ADD_TAB_TEXT));
    tabBar()->setTabToolTip(addIndex, tr("Click to add new module"));
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &XModulesTabWidget::slotCustomMenuRequested);
    connect(this, &QTabWidget::currentChanged, this, &XModulesTabWidget::currentChanged);
    connect(this, &QTabWidget::tabBarClicked, this, &XModulesTabWidget::tabBarClicked);
}

XModulesTabWidget::~XModulesTabWidget()
{
    // The modules go first, while their widgets are still on their pages: a
    // module may read its settings back from its widget when asked for them.
    const QList<XModule*> modules = findChildren<XModule*>(QString(), Qt::FindDirectChildrenOnly);
    qDeleteAll(modules);
}

XModule* XModulesTabWidget::findModule(const QString& name) const
{
    for (XModule* module : qAsConst(XModulesList)) {
        if (module->objectName() == name)
            return module;
    }
    return nullptr;
}

bool XModulesTabWidget::isNameBusy(const QString& name, bool showMessage, QWidget* messageParent)
{
    if (!findModule(name))
        return false;
    if (showMessage)
        QMessageBox::information(messageParent ? messageParent : this, QString(), tr("This name is busy"));
    return true;
}

XModule* XModulesTabWidget::moduleAt(int index) const
{
    // Found by page rather than by position: modules without a widget have no
    // tab, so tab and list positions need not agree.
    QWidget* page = widget(index);
    if (!page)
        return nullptr;
    for (XModule* module : qAsConst(XModulesList)) {
        if (module->widget == page)
            return module;
    }
    return nullptr;
}

void XModulesTabWidget::slotCustomMenuRequested(QPoint pos)
{
    const int index = tabBar()->tabAt(tabBar()->mapFrom(this, pos));
    XModule* module = moduleAt(index);
    if (!module)
        return;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* rename = menu->addAction(tr("Rename"));
    rename->setData(index);
    connect(rename, &QAction::triggered, this, &XModulesTabWidget::renameModuleClicked);
    QAction* remove = menu->addAction(module->removeMark ? tr("Cancel the deletion") : tr("Remove"));
    remove->setData(index);
    connect(remove, &QAction::triggered, this, &XModulesTabWidget::removeModuleClicked);
    menu->popup(QCursor::pos());
}

void XModulesTabWidget::tabInserted(int index)
{
    QTabWidget::tabInserted(index);
    // A page inserted before a current "+" pushes "+" along without a change
    // of the current index being announced: "+" would stay current over the
    // new page.
    if (currentIndex() == count() - 1 && index != count() - 1)
        setCurrentIndex(index);
}

void XModulesTabWidget::currentChanged(int index)
{
    if (index == count() - 1)
        setCurrentIndex(m_previousIndex);
    m_previousIndex = currentIndex();
}

void XModulesTabWidget::tabBarClicked(int index)
{
    currentChanged(index);
    if (index == count() - 1)
        emit addModuleCliked();
}

XModule* XModulesTabWidget::moduleOfMenuAction(int* index) const
{
    auto* action = qobject_cast<QAction*>(sender());
    if (!action)
        return nullptr;
    *index = action->data().toInt();
    return moduleAt(*index);
}

void XModulesTabWidget::removeModuleClicked()
{
    int index = -1;
    XModule* module = moduleOfMenuAction(&index);
    if (!module)
        return;
    module->removeMark = !module->removeMark;
    setTabEnabled(index, !module->removeMark);
}

void XModulesTabWidget::renameModuleClicked()
{
    int index = -1;
    XModule* module = moduleOfMenuAction(&index);
    if (!module)
        return;
    for (;;) {
        bool ok = false;
        const QString name = QInputDialog::getText(
            this, QString(), tr("New name"), QLineEdit::Normal, module->objectName(), &ok);
        if (!ok)
            return;
        const QString refusal = XModule::nameRefusal(name);
        if (!refusal.isEmpty()) {
            QMessageBox::warning(this, QString(), refusal);
            continue;
        }
        XModule* other = findModule(name);
        if (other && other != module) {
            QMessageBox::warning(this, QString(), tr("Name is busy"));
            continue;
        }
        module->setObjectName(name);
        if (tabText(index) != name)
            setTabText(index, name);
        return;
    }
}
