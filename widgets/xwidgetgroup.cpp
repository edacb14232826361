#include "xwidgetgroup.h"

#include "xedgebands.h"
#include "xwidget.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetpanel.h"
#include "xwidgetpanelcontextmenu.h"
#include "xwidgetsglobals.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>

namespace {
const int GRID_STEP = 10;
const int MOVE_STEP = 5;
const int MIN_SIDE = 50;
// The group's top-left stays this far inside the panel while dragged.
const int INNER_CLAMP = 50;

bool ctrlHeld()
{
    // The application-wide state, not the event's: it is what the operator
    // holds, whichever widget got the last key event.
    return QGuiApplication::keyboardModifiers() & Qt::ControlModifier;
}

QString contentDir()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/content/");
}

int snapDown(int value, int step)
{
    return value < 0 ? 0 : (value / step) * step;
}
}

XWidgetGroup::XWidgetGroup(XWidgetGroupSettings* settings, XWidgetPanel* panel)
    : QGroupBox(panel)
    , settings(settings)
{
    setObjectName(QStringLiteral("XWidgetGroup"));
    setTitle(settings->name);
    // Without a pressed button too, so the edge cursors follow the pointer.
    setAttribute(Qt::WA_MouseTracking);

    menu = new QMenu(this);
    gridAction = menu->addAction(tr("Aligned to the grid"));
    gridAction->setCheckable(true);
    connect(gridAction, &QAction::toggled, this, &XWidgetGroup::alignedToTheGridToggled);
    gridAction->setChecked(settings->alignedToTheGrid);
    connect(menu->addAction(tr("Adjast size")), &QAction::triggered, this, &XWidgetGroup::sizeAdjust);
    menu->addSeparator();
    connect(menu->addAction(tr("Add the standart widget")), &QAction::triggered, this,
        &XWidgetGroup::makeStandartWidgetClicked);
    menu->addSeparator();
    useImageAction = menu->addAction(tr("Use image"));
    useImageAction->setCheckable(true);
    useImageAction->setChecked(settings->useImage);
    connect(useImageAction, &QAction::toggled, this, &XWidgetGroup::useImageToggled);
    imageMenu = menu->addMenu(tr("Image"));
    menu->addSeparator();
    connect(menu->addAction(tr("Delete group")), &QAction::triggered, this, &XWidgetGroup::deleteGroup);

    updateBgimage();
    show();
    moveAndResize();
}

XWidgetGroup::~XWidgetGroup()
{
    // The widgets die with the group's children, after this object is no
    // longer an XWidgetGroup: their destroyed() must not reach its slot.
    for (XWidget* widget : qAsConst(widgets))
        disconnect(widget, &QObject::destroyed, this, &XWidgetGroup::widgetDestroyed);
    widgets.clear();
    menu->deleteLater();
}

XWidgetPanel* XWidgetGroup::panel() const
{
    QWidget* parent = parentWidget();
    return parent && parent->inherits("XWidgetPanel") ? static_cast<XWidgetPanel*>(parent) : nullptr;
}

void XWidgetGroup::moveAndResize()
{
    XWidgetPanel* owner = panel();
    if (owner && owner->contextMenu->gridAction->isChecked()) {
        settings->position = QPoint((settings->position.x() / GRID_STEP) * GRID_STEP,
            (settings->position.y() / GRID_STEP) * GRID_STEP);
    }
    move(settings->position);
    resize(settings->size);
    growPanelToHold();
}

void XWidgetGroup::growToHold(QSize size)
{
    resize(size);
    // The record is what the browser is told and what the next start restores:
    // it must not keep a size that hides the widgets the group grew for.
    settings->size = this->size();
    growPanelToHold();
}

void XWidgetGroup::growPanelToHold()
{
    if (XWidgetPanel* owner = panel())
        owner->resize(qMax(owner->width(), x() + width()), qMax(owner->height(), y() + height()));
}

void XWidgetGroup::addXWidget(XWidget* w)
{
    connect(w, &QObject::destroyed, this, &XWidgetGroup::widgetDestroyed);
    widgets.append(w);
    w->setParent(this);
    w->show();
}

void XWidgetGroup::removeXWidget(XWidget* w, bool toPanel)
{
    const int index = widgets.indexOf(w);
    if (index < 0)
        return;
    disconnect(w, &QObject::destroyed, this, &XWidgetGroup::widgetDestroyed);
    widgets.removeAt(index);
    if (toPanel) {
        // Never let the widget become a window of its own.
        w->setParent(XWidgetsPanel ? static_cast<QWidget*>(XWidgetsPanel) : parentWidget());
        w->show();
    }
}

void XWidgetGroup::updateBgimage()
{
    // A missing or unreadable file leaves a null picture; the frame shows.
    bgImage.load(contentDir() + settings->imageFile);
}

void XWidgetGroup::resetEditing()
{
    unsetCursor();
    resizeWidth = false;
    resizeHeight = false;
    resizeBoth = false;
}

void XWidgetGroup::alignedToTheGridToggled(bool checked)
{
    settings->alignedToTheGrid = checked;
}

void XWidgetGroup::sizeAdjust()
{
    adjustSize();
    settings->position = pos();
    settings->size = size();
}

void XWidgetGroup::useImageToggled(bool checked)
{
    settings->useImage = checked;
    updateBgimage();
    repaint();
}

void XWidgetGroup::imageChanged()
{
    auto* action = qobject_cast<QAction*>(sender());
    if (!action)
        return;
    settings->imageFile = action->text();
    updateBgimage();
    repaint();
}

void XWidgetGroup::widgetDestroyed(QObject* obj)
{
    for (int i = 0; i < widgets.count(); ++i) {
        if (static_cast<QObject*>(widgets.at(i)) == obj) {
            widgets.removeAt(i);
            return;
        }
    }
}

void XWidgetGroup::deleteGroup()
{
    if (!widgets.isEmpty()) {
        QMessageBox::information(this, tr("Deleting group"),
            tr("Removal is not possible because the group contains Widgets"), QMessageBox::Ok);
        return;
    }
    const QMessageBox::StandardButton answer = QMessageBox::question(this, tr("Deleting group"),
        tr("Are you sure") + QLatin1Char('?'), QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes)
        emit groupDelete(this);
}

void XWidgetGroup::contextMenuEvent(QContextMenuEvent* event)
{
    // Rebuilt on every opening: pictures may be added to content/ at any time.
    imageMenu->clear();
    const QString root = contentDir();
    const QDir rootDir(root);
    QDirIterator it(root,
        { QStringLiteral("*.ico"), QStringLiteral("*.png"), QStringLiteral("*.jpg"), QStringLiteral("*.gif"),
            QStringLiteral("*.jpeg"), QStringLiteral("*.bmp") },
        QDir::Files | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = rootDir.relativeFilePath(path);
        QAction* entry = imageMenu->addAction(QIcon(it.fileInfo().absoluteFilePath()), relative);
        entry->setCheckable(true);
        entry->setChecked(relative == settings->imageFile);
        connect(entry, &QAction::toggled, this, &XWidgetGroup::imageChanged);
    }
    menu->exec(event->globalPos());
}

void XWidgetGroup::mousePressEvent(QMouseEvent* event)
{
    moving = false;
    if (event->button() == Qt::LeftButton) {
        pressPoint = event->localPos().toPoint();
        pressSize = size();
        if (ctrlHeld()) {
            moving = true;
            return;
        }
        switch (cursor().shape()) {
        case Qt::SizeFDiagCursor:
            resizeBoth = true;
            return;
        case Qt::SizeHorCursor:
            resizeWidth = true;
            return;
        case Qt::SizeVerCursor:
            resizeHeight = true;
            return;
        default:
            break;
        }
    }
    resetEditing();
    QGroupBox::mousePressEvent(event);
}

void XWidgetGroup::mouseMoveEvent(QMouseEvent* event)
{
    moving = false;
    const QPoint position = event->localPos().toPoint();
    if (event->buttons() & Qt::LeftButton) {
        if (ctrlHeld()) {
            moving = true;
            QPoint target = mapToParent(position - pressPoint);
            if (XWidgetPanel* owner = panel()) {
                target.setX(qMin(target.x(), owner->width() - INNER_CLAMP));
                target.setY(qMin(target.y(), owner->height() - INNER_CLAMP));
            }
            target = QPoint(snapDown(target.x(), MOVE_STEP), snapDown(target.y(), MOVE_STEP));
            move(target);
            settings->position = target;
            settings->size = size();
            moveAndResize();
        } else {
            const int dx = position.x() - pressPoint.x();
            const int dy = position.y() - pressPoint.y();
            QSize newSize;
            if (resizeBoth)
                newSize = QSize(pressSize.width() + dx, pressSize.height() + dy);
            else if (resizeWidth)
                newSize = QSize(pressSize.width() + dx, height());
            else if (resizeHeight)
                newSize = QSize(width(), pressSize.height() + dy);
            if (newSize.isValid() && newSize != size()) {
                settings->size = newSize.expandedTo(QSize(MIN_SIDE, MIN_SIDE));
                moveAndResize();
            }
        }
        if (moving) {
            resetEditing();
            return;
        }
    }
    if (ctrlHeld()) {
        resetEditing();
        return;
    }
    const Qt::CursorShape resizeCursor = XEdgeBands::cursorAt(position, size());
    if (resizeCursor != Qt::ArrowCursor) {
        setCursor(resizeCursor);
        return;
    }
    resetEditing();
    QGroupBox::mouseMoveEvent(event);
}

void XWidgetGroup::mouseReleaseEvent(QMouseEvent* event)
{
    moving = false;
    resetEditing();
    QGroupBox::mouseReleaseEvent(event);
}

void XWidgetGroup::leaveEvent(QEvent* event)
{
    moving = false;
    resetEditing();
    QGroupBox::leaveEvent(event);
}

void XWidgetGroup::paintEvent(QPaintEvent* event)
{
    if (!settings->useImage || bgImage.isNull()) {
        QGroupBox::paintEvent(event);
        return;
    }
    // At rest the picture alone shows; the frame appears only while the
    // operator moves or resizes, so the group's bounds stay visible then.
    const Qt::CursorShape shape = cursor().shape();
    if (moving || shape == Qt::SizeHorCursor || shape == Qt::SizeVerCursor)
        QGroupBox::paintEvent(event);
    QPainter painter(this);
    painter.drawPixmap(0, 0, bgImage);
}
