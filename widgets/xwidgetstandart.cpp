#include "xwidgetstandart.h"

#include "journalexchangeitem.h"
#include "xedgebands.h"
#include "xwidgetcontextmenu.h"
#include "xwidgetsettings.h"
#include "xwidgetstandartcomponentbaseclass.h"
#include "xwidgetstandartcomponentsettings.h"
#include "xwidgetstandartsettings.h"

#include <QBoxLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QVarLengthArray>
#include <QVector>

#ifdef XWIDGETS_FULL
#include "libscriptconfig.h"
#include "xwidgetstandartdebugdialog.h"
#include "xwidgetstandartdialog.h"
#include "xwidgetstandartdialogcomponentitem.h"
#include "xwidgetstandartdialogmodel.h"
#include "xwidgetstandartgroupeditdialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QScriptEngine>
#include <QTimer>
#endif

namespace {
#ifdef XWIDGETS_FULL
const int GROUP_EDIT_TIMER_INTERVAL_MS = 250;
// Width of the right and bottom bands that resize the widget in edit mode.
const int LAYOUT_AUTO_VERTICAL = 0;
const int LAYOUT_AUTO_HORIZONTAL = 1;
const int LAYOUT_HAND = 2;
// A stored component size counts only when both sides reach this.
const int MIN_STORED_COMPONENT_SIDE = 5;
const char* const SCRIPTS_FOLDER = "/scripts";
const char* const SCRIPT_OBJECT = "XObj";
const char* const SCRIPT_VALUE_HANDLER = "componentSetValueHandler";
const int SCRIPT_FIRST_LINE = 1;
#endif
const int INDEX_KEYS = 64;
const int REPLIES_ON_STACK = 16;
const int LEVEL_MIN = JournalItem::ITEM_LEVEL_NONE;
const int LEVEL_MAX = JournalItem::ITEM_LEVEL_CRITICAL;

// The keys of the component replies, which every poll needs for every
// component, made once for the usual numbers of components.
QString indexKey(int index)
{
    static const QVector<QString> keys = []() {
        QVector<QString> made;
        for (int i = 0; i < INDEX_KEYS; ++i)
            made.append(QString::number(i));
        return made;
    }();
    return index < keys.size() ? keys.at(index) : QString::number(index);
}

// Whether a reply is the one given last time. Only what cannot differ in its
// JSON form counts: a map only when it is that very map (its values could
// compare equal across types, 5 and "5"), a text when it is the same text.
bool isSameReply(const QVariant& last, const QVariant& reply)
{
    if (last.userType() != reply.userType())
        return false;
    switch (reply.userType()) {
    case QMetaType::QVariantMap:
        return static_cast<const QVariantMap*>(last.constData())
            ->isSharedWith(*static_cast<const QVariantMap*>(reply.constData()));
    case QMetaType::QString:
        return *static_cast<const QString*>(last.constData())
            == *static_cast<const QString*>(reply.constData());
    default:
        return false;
    }
}

QString componentName(XWidgetStandartComponent* component)
{
    return component->settings->name;
}

#ifdef XWIDGETS_FULL
bool ctrlHeld()
{
    // The application-wide state, as for the base widget's Ctrl-drag.
    return QGuiApplication::keyboardModifiers() & Qt::ControlModifier;
}

bool isResizeShape(Qt::CursorShape shape)
{
    return shape == Qt::SizeFDiagCursor || shape == Qt::SizeHorCursor || shape == Qt::SizeVerCursor;
}
#endif
}

XWidgetStandart::XWidgetStandart(
    XWidgetStandartSettings* settings, JournalExchangeItem* journal, QWidget* parent)
    : XWidget(&settings->base, parent)
    , journal(journal)
    , settings(settings)
{
#ifdef XWIDGETS_FULL
    settingsAction = contextMenu->addAction(tr("Additional settings"));
    connect(settingsAction, &QAction::triggered, this, &XWidgetStandart::showSettingsDialog);
    debugAction = contextMenu->addAction(tr("Debug"));
    debugAction->setCheckable(true);
    connect(debugAction, &QAction::changed, this, &XWidgetStandart::debugChanged);
    editModeAction = contextMenu->addAction(tr("Edit mode"));
    editModeAction->setCheckable(true);
    connect(editModeAction, &QAction::changed, this, &XWidgetStandart::editModeChanged);
    componentsMenu = contextMenu->addMenu(tr("Components configuration"));
    componentAction = contextMenu->addAction(QString());
    contextMenu->addSeparator();
    QAction* deleteAction = contextMenu->addAction(tr("Delete"));
    connect(deleteAction, &QAction::triggered, this, &XWidgetStandart::deleteClicked);

    groupEditTimer = new QTimer(this);
    connect(groupEditTimer, &QTimer::timeout, this, &XWidgetStandart::groupEditDialogTimerTimeout);
    groupEditTimer->setInterval(GROUP_EDIT_TIMER_INTERVAL_MS);

    acceptSettings();
    show();
    loadScript();
#else
    show();
#endif
}

XWidgetStandart::~XWidgetStandart()
{
#ifdef XWIDGETS_FULL
    // The dialog's rows reach into the components, which as our children
    // would otherwise be deleted before it.
    delete groupEditDialog;
    // A settings dialog closed just now waits for its deferred delete, and it
    // frees its kit records against our record: that goes with our
    // destroyed() signal, before our children.
    qDeleteAll(findChildren<XWidgetStandartDialog*>(QString(), Qt::FindDirectChildrenOnly));
    // Components that were never placed have no parent and would outlive us;
    // the placed ones go with the widget as its children.
    for (XWidgetStandartComponent* component : qAsConst(components)) {
        if (component->parentWidget() != this)
            component->deleteLater();
    }
    if (engine)
        engine->deleteLater();
#endif
}

#ifdef XWIDGETS_FULL
void XWidgetStandart::acceptSettings()
{
    // The journal names a widget by the ID it has now.
    if (journal)
        journal->source = settings->base.id;
    componentsMenu->clear();

    for (XWidgetStandartComponentSettings* record : qAsConst(settings->components)) {
        XWidgetStandartComponent* found = nullptr;
        for (XWidgetStandartComponent* component : qAsConst(components)) {
            if (component->settings == record) {
                found = component;
                break;
            }
        }
        if (!found) {
            found = new XWidgetStandartComponent(record);
            addComponent(found);
        }
        QAction* action = componentsMenu->addAction(record->name);
        action->setEnabled(found->object && found->object->haveSettingsDialog());
        connect(action, &QAction::triggered, found, &XWidgetStandartComponent::settingsDialog);
    }

    for (XWidgetStandartComponent* component : qAsConst(components)) {
        const QString target = component->settings->connectToComponent;
        if (target.isEmpty())
            continue;
        for (XWidgetStandartComponent* other : qAsConst(components)) {
            if (other != component && componentName(other) == target) {
                component->connectToComponent(other);
                break;
            }
        }
    }

    updateComponentsLayout();
    setTransparent(settings->transparent);
    setNameToComponent();
    XWidget::acceptSettings();
}

void XWidgetStandart::addComponent(XWidgetStandartComponent* component)
{
    components.append(component);
    connect(component, &XWidgetStandartComponent::setValueHandlerSignal, this,
        &XWidgetStandart::componentSetValueHandler);
    connect(
        component, &XWidgetStandartComponent::valueUpdated, this, &XWidgetStandart::componentValueUpdated);
    connect(component, &XWidgetStandartComponent::geomertyChanged, this,
        &XWidgetStandart::componentGeomertyChanged);
    connect(
        component, &XWidgetStandartComponent::settingsUpdated, this, &XWidgetStandart::setNameToComponent);
    variableAppend(componentName(component), QVariant());
}

void XWidgetStandart::updateComponentsLayout()
{
    for (XWidgetStandartComponent* component : qAsConst(components))
        mainLayout->removeWidget(component);
    unplacedComponents.clear();

    const int layout = settings->layout;
    if (layout == LAYOUT_AUTO_VERTICAL || layout == LAYOUT_AUTO_HORIZONTAL) {
        for (XWidgetStandartComponent* component : qAsConst(components)) {
            if (component->noLibrary)
                unplacedComponents.append(component);
            else
                mainLayout->addWidget(component, 0);
        }
        mainLayout->setDirection(
            layout == LAYOUT_AUTO_VERTICAL ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    } else if (layout == LAYOUT_HAND) {
        for (XWidgetStandartComponent* component : qAsConst(components)) {
            if (component->noLibrary) {
                unplacedComponents.append(component);
                continue;
            }
            component->setParent(this);
            component->show();
            const XWidgetStandartComponentSettings* record = component->settings;
            component->move(record->position);
            if (record->size.width() < MIN_STORED_COMPONENT_SIDE
                || record->size.height() < MIN_STORED_COMPONENT_SIDE)
                component->adjustSize();
            else
                component->resize(record->size);
        }
    }
    // Without components nothing would be drawn and the operator could not
    // find the widget to right-click it: it shows the style's frame instead.
    setFrameShape(components.isEmpty() ? QFrame::StyledPanel : QFrame::NoFrame);
}

void XWidgetStandart::makeScriptEngine()
{
    // An engine costs about a third of a megabyte: a widget gets one only
    // when a script of its own is about to run in it.
    if (engine)
        return;
    engine = new QScriptEngine;
    connect(engine, &QScriptEngine::signalHandlerException, this, &XWidgetStandart::scriptHandlerException);
}

void XWidgetStandart::loadScript()
{
    if (engine && engine->isEvaluating())
        return;

    const QString applicationLocation = QCoreApplication::applicationDirPath();
    const QString scriptLocation = applicationLocation + QLatin1String(SCRIPTS_FOLDER);
    QFile file(scriptLocation + QLatin1Char('/') + settings->scriptName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray text = file.readAll();
    file.close();

    // Scripts take components and widgets from the interface and hand them
    // back; the engine converts only pointer types that are registered.
    qRegisterMetaType<XWidgetStandartComponent*>();
    qRegisterMetaType<XWidgetStandart*>();
    makeScriptEngine();
    engine->globalObject().setProperty(QLatin1String(SCRIPT_OBJECT), engine->newQObject(this));

    {
        LibScriptConfig scriptConfig;
        scriptConfig.setProperties(
            QMap<QString, QVariant> { { QStringLiteral("scriptLocation"), scriptLocation },
                { QStringLiteral("scriptFileName"), settings->scriptName },
                { QStringLiteral("applicationLocation"), applicationLocation } });
        scriptConfig.config(engine);
    }

    // The text ends at the first zero byte.
    engine->evaluate(QString::fromUtf8(text.constData()), file.fileName(), SCRIPT_FIRST_LINE);
    if (engine->hasUncaughtException()) {
        reportScriptException();
        return;
    }
    scriptSetValueHandler = engine->globalObject().property(QLatin1String(SCRIPT_VALUE_HANDLER));
}

void XWidgetStandart::reportScriptException()
{
    journalAdd(tr("Script: line %2, %3")
                   .arg(QString::number(engine->uncaughtExceptionLineNumber()),
                       engine->uncaughtException().toString()),
        JournalItem::ITEM_LEVEL_CRITICAL);
}

void XWidgetStandart::clearResizeState()
{
    unsetCursor();
    resizeWidth = false;
    resizeHeight = false;
    resizeBoth = false;
}

void XWidgetStandart::editModeChanged()
{
    const bool on = editModeAction->isChecked();
    for (XWidgetStandartComponent* component : qAsConst(components))
        component->setEditMode(on);
    setTransparent(on ? false : settings->transparent);

    // The action reports every change, not only of its check state: one
    // dialog per edit mode.
    if (on && !groupEditDialog) {
        groupEditDialog = new XWidgetStandartGroupEditDialog(
            &components, groupEditDialogSettings, widgetSettings->id, this);
        connect(groupEditDialog, &XWidgetStandartGroupEditDialog::closed, this,
            &XWidgetStandart::groupEditDialogClosed);
        groupEditTimer->start();
    } else if (!on) {
        clearResizeState();
        if (groupEditDialog) {
            groupEditDialogSettings = groupEditDialog->settings();
            groupEditDialog->deleteLater();
            groupEditDialog = nullptr;
        }
        groupEditTimer->stop();
    }

    settingsAction->setEnabled(!groupEditDialog && !debugDialog);
    setMouseTracking(on);
}

void XWidgetStandart::debugChanged()
{
    // Called on every change of the action, not only of its check state.
    if (debugAction->isChecked()) {
        if (!debugDialog) {
            debugDialog = new XWidgetStandartDebugDialog(&components, debugDialogSettings, settings->base.id, this);
            connect(debugDialog, &XWidgetStandartDebugDialog::closed, this, &XWidgetStandart::debugDialogClosed);
        }
    } else if (debugDialog) {
        debugDialogSettings = debugDialog->settings();
        debugDialog->deleteLater();
        debugDialog = nullptr;
    }
    // The dialogs read the live component list, which the settings dialog rebuilds.
    settingsAction->setEnabled(!debugDialog && !groupEditDialog);
}

void XWidgetStandart::componentGeomertyChanged(XWidgetStandartComponent* comp, QPoint moving, QSize resizing)
{
    if (!editModeAction->isChecked() || !groupEditDialog || !components.contains(comp))
        return;
    const QStringList selected = groupEditDialog->checkedComponentNames();
    if (!selected.contains(componentName(comp)))
        return;
    const bool movePosition = groupEditDialog->positionBox->isChecked();
    const bool changeSize = groupEditDialog->sizeBox->isChecked();
    for (XWidgetStandartComponent* other : qAsConst(components)) {
        if (other == comp || !selected.contains(componentName(other)))
            continue;
        if (movePosition)
            other->setPosition(other->pos() + moving);
        if (changeSize)
            other->setSize(other->size() + resizing);
    }
}

void XWidgetStandart::scriptHandlerException(QScriptValue exception)
{
    // The engine still holds the exception, with the line it came from.
    Q_UNUSED(exception)
    reportScriptException();
}

void XWidgetStandart::groupEditDialogTimerTimeout()
{
    if (!groupEditDialog)
        return;
    const QPoint p = mapFromGlobal(QCursor::pos());
    const bool outside = p.x() < 0 || p.y() < 0 || p.x() > width() || p.y() > height();
    groupEditDialog->setCursorPosition(p, outside);
}

void XWidgetStandart::groupEditDialogClosed()
{
    if (groupEditDialog)
        editModeAction->setChecked(false);
    setNameToComponent();
}

void XWidgetStandart::debugDialogClosed()
{
    if (debugDialog)
        debugAction->setChecked(false);
}

void XWidgetStandart::showSettingsDialog()
{
    auto* dialog = new XWidgetStandartDialog(settings, this);
    for (XWidgetStandartComponent* component : qAsConst(components)) {
        const XWidgetStandartComponentSettings* record = component->settings;
        dialog->model->addNewItem(new XWidgetStandartDialogComponentItem(
            record->name, record->libName, record->connectToComponent, component));
    }
    dialog->nameOnComponentBox->setCurrentIndex(
        qMax(0, dialog->nameOnComponentBox->findText(settings->setNameOnComponent)));

    QPointer<XWidgetStandart> self(this);
    const int result = dialog->exec();
    if (!self)
        return;
    if (result == XWidgetStandartDialog::AcceptResult || result == XWidgetStandartDialog::OkResult) {
        applyComponentRows(dialog->model->items);
        acceptSettings();
        // Queued: the new dialog runs its own event loop, which must not run
        // inside the old dialog's destructor.
        if (result == XWidgetStandartDialog::AcceptResult)
            connect(dialog, &QObject::destroyed, this, &XWidgetStandart::showSettingsDialog,
                Qt::QueuedConnection);
    }
    dialog->deleteLater();
    setNameToComponent();
}

void XWidgetStandart::applyComponentRows(const QList<XWidgetStandartDialogComponentItem*>& rows)
{
    bool unchanged = rows.size() == components.size();
    for (int i = 0; unchanged && i < rows.size(); ++i)
        unchanged = rows.at(i)->component == components.at(i) && !rows.at(i)->isChanged();
    if (unchanged)
        return;

    // Read before the components that hold them go.
    QList<QVariantMap> rowLibSettings;
    QList<XWidgetStandartComponentSettings*> keptRecords;
    for (const XWidgetStandartDialogComponentItem* row : rows) {
        rowLibSettings.append(row->libSettings());
        if (row->settings)
            keptRecords.append(row->settings);
    }

    const QList<XWidgetStandartComponent*> oldComponents = components;
    components.clear();
    unplacedComponents.clear();
    for (XWidgetStandartComponent* component : oldComponents) {
        mainLayout->removeWidget(component);
        component->hide();
        component->deleteLater();
    }
    for (XWidgetStandartComponentSettings* record : qAsConst(settings->components)) {
        if (keptRecords.contains(record))
            continue;
        // A component still alive until its deletion may write into its record.
        XWidgetStandartComponent* owner = nullptr;
        for (XWidgetStandartComponent* component : oldComponents) {
            if (component->settings == record)
                owner = component;
        }
        if (owner)
            connect(owner, &QObject::destroyed, [record]() { delete record; });
        else
            delete record;
    }

    settings->components.clear();
    for (int i = 0; i < rows.size(); ++i) {
        const XWidgetStandartDialogComponentItem* row = rows.at(i);
        XWidgetStandartComponentSettings* record = row->settings;
        if (!record) {
            record = new XWidgetStandartComponentSettings;
            record->libName = row->libName;
        }
        record->name = row->name;
        record->connectToComponent = row->connectToComponent;
        record->libSettings = rowLibSettings.at(i);
        settings->components.append(record);
    }
}

QScriptValue XWidgetStandart::getScriptObject()
{
    makeScriptEngine();
    return engine->globalObject();
}

void XWidgetStandart::mousePressEvent(QMouseEvent* event)
{
    resizeWidth = false;
    resizeHeight = false;
    resizeBoth = false;
    if (editModeAction->isChecked() && event->button() == Qt::LeftButton && !ctrlHeld()) {
        pressPoint = event->localPos().toPoint();
        pressSize = size();
        const Qt::CursorShape shape = cursor().shape();
        resizeBoth = shape == Qt::SizeFDiagCursor;
        resizeWidth = shape == Qt::SizeHorCursor;
        resizeHeight = shape == Qt::SizeVerCursor;
    }
    if (!resizeWidth && !resizeHeight && !resizeBoth)
        XWidget::mousePressEvent(event);
}

void XWidgetStandart::mouseReleaseEvent(QMouseEvent* event)
{
    clearResizeState();
    XWidget::mouseReleaseEvent(event);
}

void XWidgetStandart::mouseMoveEvent(QMouseEvent* event)
{
    if (editModeAction->isChecked() && !ctrlHeld()) {
        const QPoint mouse = event->localPos().toPoint();
        const QPoint delta = mouse - pressPoint;
        if (resizeBoth)
            setSize(QSize(pressSize.width() + delta.x(), pressSize.height() + delta.y()));
        else if (resizeWidth)
            setSize(QSize(pressSize.width() + delta.x(), height()));
        else if (resizeHeight)
            setSize(QSize(width(), pressSize.height() + delta.y()));

        const Qt::CursorShape resizeCursor = XEdgeBands::cursorAt(mouse, size());
        if (resizeCursor != Qt::ArrowCursor)
            setCursor(resizeCursor);
        else
            clearResizeState();
    } else {
        clearResizeState();
    }
    if (!testAttribute(Qt::WA_SetCursor) || !isResizeShape(cursor().shape()))
        XWidget::mouseMoveEvent(event);
}

void XWidgetStandart::contextMenuEvent(QContextMenuEvent* event)
{
    componentAction->setVisible(false);
    for (XWidgetStandartComponent* component : qAsConst(components))
        disconnect(
            componentAction, &QAction::triggered, component, &XWidgetStandartComponent::settingsDialog);

    for (XWidgetStandartComponent* component : qAsConst(components)) {
        if (!component->isVisible() || component->parentWidget() != this
            || !component->geometry().contains(event->pos()))
            continue;
        componentAction->setText(tr("Configuration of component \"%1\"").arg(componentName(component)));
        componentAction->setVisible(true);
        componentAction->setEnabled(component->object && component->object->haveSettingsDialog());
        connect(componentAction, &QAction::triggered, component, &XWidgetStandartComponent::settingsDialog);
        break;
    }
    XWidget::contextMenuEvent(event);
}
#endif

void XWidgetStandart::componentSetValueHandler(XWidgetStandartComponent* compObj, QVariant v, QObject* sender)
{
    if (!components.contains(compObj))
        return;
    QVariant value = v;
#ifdef XWIDGETS_FULL
    if (scriptSetValueHandler.isFunction()) {
        QObject* setter = compObj->object ? compObj->object->setter() : nullptr;
        const QScriptValueList arguments { QScriptValue(componentName(compObj)), engine->newVariant(v),
            QScriptValue(sender == setter) };
        // An exception of the handler is not looked at: what it threw is the value.
        value = scriptSetValueHandler.call(engine->globalObject(), arguments).toVariant();
    }
#endif
    compObj->setValueHandler(value, sender);
}

void XWidgetStandart::componentValueUpdated()
{
    auto* component = qobject_cast<XWidgetStandartComponent*>(sender());
    if (!component)
        return;
    const QString name = componentName(component);
    if (variables.contains(name))
        variables[name] = component->getValue();
}

void XWidgetStandart::standartWidgetsLoadedSlot()
{
    emit standartWidgetsLoaded();
}

void XWidgetStandart::allLoadedSlot()
{
    emit allLoaded();
}

void XWidgetStandart::setNameToComponent()
{
    if (settings->setNameOnComponent.isEmpty())
        return;
    XWidgetStandartComponent* target = component(settings->setNameOnComponent);
    if (target)
        emit target->setValueHandlerSignal(target, settings->name, this);
}

void XWidgetStandart::deleteClicked()
{
    const QMessageBox::StandardButton answer = QMessageBox::question(this, tr("Deleting widget"),
        tr("Are you sure for delete widget '%1'?").arg(settings->base.id), QMessageBox::Yes | QMessageBox::No,
        QMessageBox::No);
    if (answer == QMessageBox::Yes)
        emit deleteMe(this);
}

QVariantMap XWidgetStandart::webMap(QMap<QString, QVariant> map, bool isWritable)
{
    const QVariant click = map.value(QStringLiteral("clicked"));
    if (click.isValid() && click.toBool())
        mainClick();

    const QVariant incomingValue = map.value(QStringLiteral("comp"));
    const QVariantMap incoming = incomingValue.isValid() ? incomingValue.toMap() : QVariantMap();

    // Between two polls the replies mostly stay as they were: then the last
    // answer is given again instead of being built anew, map by map.
    QVarLengthArray<QVariant, REPLIES_ON_STACK> replies(components.size());
    int replyCount = 0;
    bool unchanged = true;
    for (int i = 0; i < components.size(); ++i) {
        XWidgetStandartComponentBaseClass* object = components.at(i)->object;
        if (!object)
            continue;
        const QString key = indexKey(i);
        QVariant reply = object->webVariant(incoming.value(key), isWritable);
        if (!reply.isValid())
            continue;
        ++replyCount;
        if (unchanged) {
            const auto last = m_webReplies.constFind(key);
            unchanged = last != m_webReplies.cend() && isSameReply(*last, reply);
        }
        replies[i] = std::move(reply);
    }
    if (unchanged && replyCount == m_webReplies.size())
        return m_webAnswer;

    m_webReplies.clear();
    for (int i = 0; i < replies.size(); ++i) {
        if (replies.at(i).isValid())
            m_webReplies.insert(indexKey(i), replies.at(i));
    }
    m_webAnswer
        = m_webReplies.isEmpty() ? QVariantMap() : QVariantMap { { QStringLiteral("comp"), m_webReplies } };
    return m_webAnswer;
}

QString XWidgetStandart::webObject(bool isWritable)
{
    QJsonObject componentsObject;
    for (int i = 0; i < components.size(); ++i) {
        XWidgetStandartComponent* component = components.at(i);
        const QString text = component->object ? component->object->webObject(isWritable) : QString();
        QJsonObject entry;
        if (!text.isEmpty()) {
            entry.insert(QStringLiteral("objText"), text);
            entry.insert(QStringLiteral("top"), component->y());
            entry.insert(QStringLiteral("left"), component->x());
            entry.insert(QStringLiteral("height"), component->height());
            entry.insert(QStringLiteral("width"), component->width());
        }
        componentsObject.insert(QString::number(i), entry);
    }
    const QByteArray json = QJsonDocument(componentsObject).toJson(QJsonDocument::Indented);

    // One substitution pass: a component's text may itself hold "%n".
    return QStringLiteral("new standartWidget(%1, %2, %3, %4, %5, %6)")
        .arg(QString::number(settings->base.position.y()), QString::number(settings->base.position.x()),
            QString::number(height()), QString::number(width()),
            settings->transparent ? QStringLiteral("true") : QStringLiteral("false"),
            QString::fromUtf8(json.constData()));
}

QVariantMap XWidgetStandart::exchangeData(QMap<QString, QVariant> map)
{
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        if (variables.contains(it.key()))
            variableSet(it.key(), it.value());
    }
    return variables;
}

void XWidgetStandart::mainClick()
{
    emit clicked();
    XWidget::mainClick();
}

void XWidgetStandart::showEvent(QShowEvent* event)
{
    repaint();
    QWidget::showEvent(event);
}

void XWidgetStandart::journalAdd(QString text, int level)
{
    if (journal)
        journal->add(text, JournalItem::ITEM_LEVEL_t(qBound(LEVEL_MIN, level, LEVEL_MAX)));
}

XWidgetStandartComponent* XWidgetStandart::component(QVariant p)
{
    XWidgetStandartComponent* found = nullptr;
    if (p.type() == QVariant::Int) {
        const int position = p.toInt();
        if (position >= 1 && position <= components.size())
            found = components.at(position - 1);
    } else if (p.type() == QVariant::String) {
        const QString name = p.toString();
        for (XWidgetStandartComponent* candidate : qAsConst(components)) {
            if (componentName(candidate) == name) {
                found = candidate;
                break;
            }
        }
    }
    return found && found->object ? found : nullptr;
}

QObject* XWidgetStandart::getComponent(QVariant p)
{
    return component(p);
}

QStringList XWidgetStandart::variablesList()
{
    return variables.keys();
}

bool XWidgetStandart::variableAppend(QString varName, QVariant defValue)
{
    if (variables.contains(varName))
        return false;
    variables.insert(varName, defValue);
    return true;
}

QVariant XWidgetStandart::variable(QString varName)
{
    if (!variables.contains(varName))
        variables.insert(varName, QVariant());
    return variables.value(varName);
}

bool XWidgetStandart::variableSet(QString varName, QVariant value)
{
    if (!variables.contains(varName) || isComponentName(varName))
        return false;
    variables[varName] = value;
    return true;
}

void XWidgetStandart::setScriptParameter(QString pname, QVariant value)
{
    settings->scriptParameters.insert(pname, value);
    emit scriptParametersChanged();
}

QVariant XWidgetStandart::getScriptParameter(QString pname, QVariant defValue)
{
    return settings->scriptParameters.value(pname, defValue);
}

bool XWidgetStandart::isComponentName(const QString& name) const
{
    for (XWidgetStandartComponent* component : components) {
        if (componentName(component) == name)
            return true;
    }
    return false;
}
