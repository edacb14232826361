#pragma once

#include "xwidget.h"
#include "xwidgetstandartcomponent.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariant>

#ifdef XWIDGETS_FULL
#include <QScriptValue>
#endif

class JournalExchangeItem;
class XWidgetStandartSettings;

#ifdef XWIDGETS_FULL
class QAction;
class QMenu;
class QScriptEngine;
class QTimer;
class XWidgetStandartDebugDialog;
class XWidgetStandartDialogComponentItem;
class XWidgetStandartGroupEditDialog;
#endif

// A widget that holds a list of components, routes every value meant for one
// of them through its value hook and runs its own script.
//
// The module libraries carry a reduced build of this class (no XWIDGETS_FULL)
// and use it on the host's objects: the leading members up to `components`
// and the four leading signals must stay identical in both builds.
class XWidgetStandart : public XWidget
{
    Q_OBJECT

public:
    XWidgetStandart(XWidgetStandartSettings* settings, JournalExchangeItem* journal, QWidget* parent);
    ~XWidgetStandart() override;

    QMap<QString, QVariant> variables;
    JournalExchangeItem* journal = nullptr;
    XWidgetStandartSettings* settings = nullptr;
    QList<XWidgetStandartComponent*> components;

#ifdef XWIDGETS_FULL
    QList<XWidgetStandartComponent*> unplacedComponents;
    QPoint pressPoint = QPoint(0, 0);
    QSize pressSize = QSize(-1, -1);
    bool resizeWidth = false;
    bool resizeHeight = false;
    bool resizeBoth = false;
    QAction* settingsAction = nullptr;
    QAction* debugAction = nullptr;
    QMenu* componentsMenu = nullptr;
    QAction* componentAction = nullptr;
    QAction* editModeAction = nullptr;
    XWidgetStandartGroupEditDialog* groupEditDialog = nullptr;
    QTimer* groupEditTimer = nullptr;
    QVariant groupEditDialogSettings;
    XWidgetStandartDebugDialog* debugDialog = nullptr;
    QVariant debugDialogSettings;
    // Null until the widget has a script to run.
    QScriptEngine* engine = nullptr;
    QScriptValue scriptSetValueHandler;
#endif

    QVariantMap webMap(QMap<QString, QVariant> map, bool isWritable) override;
    QString webObject(bool isWritable) override;
    QVariantMap exchangeData(QMap<QString, QVariant> map) override;
#ifdef XWIDGETS_FULL
    void acceptSettings() override;
#endif
    void mainClick() override;

#ifdef XWIDGETS_FULL
    void clearResizeState();
#endif

signals:
    void clicked();
    void standartWidgetsLoaded();
    void allLoaded();
    void deleteMe(XWidgetStandart* widget);
    // The script stored a parameter: the widget's record changed without the operator.
    void scriptParametersChanged();

private slots:
#ifdef XWIDGETS_FULL
    void editModeChanged();
    void debugChanged();
    void componentGeomertyChanged(XWidgetStandartComponent* comp, QPoint moving, QSize resizing);
#endif
    void componentSetValueHandler(XWidgetStandartComponent* compObj, QVariant v, QObject* sender);
    void componentValueUpdated();
#ifdef XWIDGETS_FULL
    void scriptHandlerException(QScriptValue exception);
    void groupEditDialogTimerTimeout();
    void groupEditDialogClosed();
    void debugDialogClosed();
#endif

public slots:
    void standartWidgetsLoadedSlot();
    void allLoadedSlot();
#ifdef XWIDGETS_FULL
    void showSettingsDialog();
#endif
    void setNameToComponent();
    void deleteClicked();

public:
    Q_INVOKABLE void journalAdd(QString text, int level = 0);
    Q_INVOKABLE XWidgetStandartComponent* component(QVariant p);
    Q_INVOKABLE QObject* getComponent(QVariant p);
#ifdef XWIDGETS_FULL
    Q_INVOKABLE QScriptValue getScriptObject();
#endif
    Q_INVOKABLE QStringList variablesList();
    Q_INVOKABLE bool variableAppend(QString varName, QVariant defValue = QVariant());
    Q_INVOKABLE QVariant variable(QString varName);
    Q_INVOKABLE bool variableSet(QString varName, QVariant value);
    Q_INVOKABLE void setScriptParameter(QString pname, QVariant value);
    Q_INVOKABLE QVariant getScriptParameter(QString pname, QVariant defValue = QVariant());

protected:
#ifdef XWIDGETS_FULL
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
#endif
    void showEvent(QShowEvent* event) override;

private:
#ifdef XWIDGETS_FULL
    void addComponent(XWidgetStandartComponent* component);
    void updateComponentsLayout();
    // Makes the component records follow the settings dialog's rows; leaves
    // components and records alone when the table is unchanged.
    void applyComponentRows(const QList<XWidgetStandartDialogComponentItem*>& rows);
    void makeScriptEngine();
    void loadScript();
    void reportScriptException();
#endif
    bool isComponentName(const QString& name) const;

    // The last web answer and the component replies it was made of.
    QVariantMap m_webReplies;
    QVariantMap m_webAnswer;
};
