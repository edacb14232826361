#include "xwidgetpanel.h"

#include "xwidget.h"
#include "xwidgetgroup.h"
#include "xinputdialog.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetpanelcontextmenu.h"
#include "xwidgetpanelscrollarea.h"
#include "xwidgetsettings.h"

#include <QContextMenuEvent>
#include <QMessageBox>
#include <QSettings>
#include <QSignalBlocker>

namespace {
const int MIN_PANEL_SIDE = 300;
const int FIND_VISIBLE_MARGIN = 50;
const int FIND_ANIMATION_MS = 2000;

const char SETTINGS_GROUP[] = "WidgetsPanel";
const char SETTINGS_GRID_KEY[] = "alignedToTheGrid";
}

XWidgetPanel::XWidgetPanel(QSettings* settings, XWidgetPanelScrollArea* scrollArea)
    : QWidget(nullptr)
    , settings(settings)
    , scrollArea(scrollArea)
{
    setObjectName(QStringLiteral("XWidgetPanel"));
    if (scrollArea)
        scrollArea->setWidget(this);

    contextMenu = new XWidgetPanelContextMenu(this);
    connect(contextMenu, &XWidgetPanelContextMenu::alignedToTheGridToggled, this,
        &XWidgetPanel::alignedToTheGridToggled);
    connect(contextMenu, &XWidgetPanelContextMenu::adjustSize, this, &XWidgetPanel::adjustSizeOfPanel);
    connect(contextMenu, &XWidgetPanelContextMenu::findWidgetByIdClicked, this,
        &XWidgetPanel::findWidgetByIdClicked);

    groups = new QList<XWidgetGroup*>;

    bool grid = true;
    if (settings) {
        settings->beginGroup(QLatin1String(SETTINGS_GROUP));
        grid = settings->value(QLatin1String(SETTINGS_GRID_KEY), true).toBool();
        settings->endGroup();
    }
    // Showing the stored state is no change to store: the file is left alone.
    const QSignalBlocker blocker(contextMenu->gridAction);
    contextMenu->gridAction->setChecked(grid);
}

XWidgetPanel::~XWidgetPanel()
{
    delete groups;
    groups = nullptr;
}

XWidgetGroup* XWidgetPanel::getGroupByName(QString name)
{
    for (XWidgetGroup* group : *groups) {
        if (group->settings->name == name)
            return group;
    }
    return nullptr;
}

XWidget* XWidgetPanel::getXWidgetByID(QString id)
{
    for (XWidgetGroup* group : *groups) {
        for (XWidget* widget : group->widgets) {
            if (widget->widgetSettings->id == id)
                return widget;
        }
    }
    // By class name rather than qobject_cast: a module library runs its own
    // copy of this code, whose XWidget meta-object is not the host's.
    for (QObject* child : children()) {
        if (child->inherits("XWidget")) {
            auto* widget = static_cast<XWidget*>(child);
            if (widget->widgetSettings->id == id)
                return widget;
        }
    }
    return nullptr;
}

void XWidgetPanel::contextMenuEvent(QContextMenuEvent* event)
{
    contextMenu->exec(event->globalPos());
}

void XWidgetPanel::alignedToTheGridToggled(bool checked)
{
    if (!settings)
        return;
    settings->beginGroup(QLatin1String(SETTINGS_GROUP));
    settings->setValue(QLatin1String(SETTINGS_GRID_KEY), checked);
    settings->endGroup();
}

void XWidgetPanel::adjustSizeOfPanel()
{
    adjustSize();
    if (width() < MIN_PANEL_SIDE)
        resize(MIN_PANEL_SIDE, height());
    if (height() < MIN_PANEL_SIDE)
        resize(width(), MIN_PANEL_SIDE);
}

void XWidgetPanel::findWidgetByIdClicked()
{
    bool ok = false;
    const QString id = XInputDialog::getText(
        this, tr("Find widget"), QStringLiteral("ID"), QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return;
    XWidget* widget = getXWidgetByID(id);
    if (!widget) {
        QMessageBox::information(this, tr("Find widget"), tr("Not found"), QMessageBox::Ok);
        return;
    }
    if (scrollArea)
        scrollArea->ensureWidgetVisible(widget, FIND_VISIBLE_MARGIN, FIND_VISIBLE_MARGIN);
    widget->animationDo(FIND_ANIMATION_MS, QEasingCurve::OutElastic);
}
