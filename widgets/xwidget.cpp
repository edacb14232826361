#include "xwidget.h"

#include "xwidgetcontextmenu.h"
#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetlabelpic.h"
#include "xwidgetpanel.h"
#include "xwidgetpanelcontextmenu.h"
#include "xwidgetsettings.h"
#include "xwidgetsglobals.h"

#ifdef XWIDGETS_FULL
#include "xwidgetbasesettingsdialog.h"
#include "xwidgetdatadialog.h"
#endif

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGestureEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QTapGesture>

namespace {
const int LAYOUT_MARGIN = 10;
const int GRID_STEP = 10;
const int MIN_SIDE = 50;
const int ANIMATION_DROP = 10;

bool ctrlHeld()
{
    // The application-wide state, not the event's: it is what the operator
    // holds, whichever widget got the last key event.
    return QGuiApplication::keyboardModifiers() & Qt::ControlModifier;
}
}

XWidget::XWidget(XWidgetSettings* settings, QWidget* parent)
    : QFrame(parent)
    , widgetSettings(settings)
{
    setObjectName(QStringLiteral("XWidget"));
    mainLayout = new QBoxLayout(QBoxLayout::TopToBottom);
    setLayout(mainLayout);
    mainLayout->setSpacing(0);
    mainLayout->setContentsMargins(LAYOUT_MARGIN, LAYOUT_MARGIN, LAYOUT_MARGIN, LAYOUT_MARGIN);

    contextMenu = new XWidgetContextMenu(this);
#ifdef XWIDGETS_FULL
    connect(contextMenu, &XWidgetContextMenu::baseSettings, this, &XWidget::showBaseSettingsDialog);
#endif
    connect(contextMenu, &XWidgetContextMenu::copyID, this, &XWidget::copyID);
#ifdef XWIDGETS_FULL
    connect(contextMenu, &XWidgetContextMenu::data, this, &XWidget::showDataDialog);
#endif
    show();
}

QString XWidget::id()
{
    return widgetSettings->id;
}

QVariantMap XWidget::webMap(QVariantMap map, bool isWritable)
{
    const QVariant clicked = map.value(QStringLiteral("clicked"));
    if (clicked.isValid() && clicked.toBool())
        mainClick();

    QVariantMap result;
    if (isWritable)
        result.insert(QStringLiteral("isWritable"), true);
    result.insert(QStringLiteral("_geometry"),
        QVariantMap { { QStringLiteral("x"), widgetSettings->position.x() },
            { QStringLiteral("y"), widgetSettings->position.y() }, { QStringLiteral("height"), height() },
            { QStringLiteral("width"), width() } });

    for (int i = 0; i < mainLayout->count(); ++i) {
        QWidget* item = mainLayout->itemAt(i)->widget();
        if (!item)
            continue;
        // The exact class, not inheritance: a derived label may show more
        // than the browser can render from these two items.
        const QLatin1String className(item->metaObject()->className());
        if (className == QLatin1String("QLabel")) {
            result.insert(QString::number(i),
                QVariantMap { { QStringLiteral("Type"), QStringLiteral("Label") },
                    { QStringLiteral("Text"), static_cast<QLabel*>(item)->text() } });
        } else if (className == QLatin1String("XWidgetLabelPic")) {
            result.insert(QString::number(i),
                QVariantMap { { QStringLiteral("Type"), QStringLiteral("Image") },
                    { QStringLiteral("ImagePath"),
                        QStringLiteral("content/") + static_cast<XWidgetLabelPic*>(item)->fileName } });
        }
    }
    return result;
}

QString XWidget::webObject(bool isWritable)
{
    Q_UNUSED(isWritable)
    return QString();
}

QVariantMap XWidget::exchangeData(QVariantMap map)
{
    Q_UNUSED(map)
    return QVariantMap();
}

void XWidget::acceptSettings()
{
    moveTo(widgetSettings->position);
    updateParent();
    setSize(widgetSettings->size);
}

void XWidget::mainClick()
{
    if (animationOnClick)
        animationDo(1000, QEasingCurve::OutElastic);
}

QObject* XWidget::getOtherWidget(QString wid)
{
    return XWidgetsPanel ? XWidgetsPanel->getXWidgetByID(wid) : nullptr;
}

QStringList XWidget::xsignalList()
{
    return xsignals;
}

int XWidget::xsignalAppend(QString signalName)
{
    xsignals.append(signalName);
    return xsignals.count() - 1;
}

bool XWidget::xsignalEmit(QVariant signalNameOrNumb, QVariant data)
{
    switch (int(signalNameOrNumb.type())) {
    case QMetaType::QString: {
        const QString name = signalNameOrNumb.toString();
        emit xsignal(name, xsignals.indexOf(name), data);
        return true;
    }
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Double: {
        bool ok = false;
        const int number = signalNameOrNumb.toInt(&ok);
        if (!ok || number < 0 || number >= xsignals.count())
            return false;
        emit xsignal(xsignals.at(number), number, data);
        return true;
    }
    default:
        return true;
    }
}

void XWidget::animationDo(int duration, QEasingCurve easing)
{
    auto* animation = new QPropertyAnimation(this, "pos", this);
    animation->setEasingCurve(easing);
    animation->setDuration(duration);
    animation->setStartValue(pos() - QPoint(0, ANIMATION_DROP));
    animation->setEndValue(widgetSettings->position);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void XWidget::setTransparent(bool on)
{
    transparent = on;
    setAttribute(Qt::WA_TranslucentBackground, on);
    setAttribute(Qt::WA_NoSystemBackground, on);
}

void XWidget::setSize(QSize s)
{
    if (widgetSettings->userSize) {
        widgetSettings->size = s.expandedTo(QSize(MIN_SIDE, MIN_SIDE));
        resize(widgetSettings->size);
    } else {
        adjustSize();
        adjustParentSize();
    }
}

bool XWidget::gestureEvent(QGestureEvent* event)
{
    QGesture* tap = event->gesture(Qt::TapGesture);
    if (tap && tap->state() == Qt::GestureUpdated)
        mainClick();
    return false;
}

void XWidget::webMapDo(QVariantMap map, bool isWritable)
{
    webData = webMap(map, isWritable);
}

#ifdef XWIDGETS_FULL
void XWidget::showBaseSettingsDialog()
{
    // The dialog deletes itself on closing; the record is applied whether it
    // was accepted or not, because the position spins already moved the widget.
    auto* dialog = new XWidgetBaseSettingsDialog(widgetSettings, this, this);
    dialog->exec();
    acceptSettings();
}

void XWidget::showDataDialog()
{
    auto* dialog = new XWidgetDataDialog(this);
    dialog->exec();
}
#endif

void XWidget::copyID()
{
    QGuiApplication::clipboard()->setText(widgetSettings->id, QClipboard::Clipboard);
}

void XWidget::adjustSizeMin()
{
    if (widgetSettings->userSize)
        return;
    adjustSize();
    adjustParentSize();
}

void XWidget::adjustParentSize()
{
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    const QSize holding(qMax(parent->width(), x() + width()), qMax(parent->height(), y() + height()));
    if (group && parent == group)
        group->growToHold(holding);
    else
        parent->resize(holding);
}

void XWidget::moveTo(QPoint p)
{
    if (p.x() < 0)
        p.setX(0);
    if (p.y() < 0)
        p.setY(0);

    bool grid = false;
    if (group)
        grid = group->settings->alignedToTheGrid;
    else if (XWidgetsPanel && parentWidget() == XWidgetsPanel)
        grid = XWidgetsPanel->contextMenu->gridAction->isChecked();
    if (grid)
        p = QPoint((p.x() / GRID_STEP) * GRID_STEP, (p.y() / GRID_STEP) * GRID_STEP);

    move(p);
    if (!widgetSettings->userSize) {
        adjustSize();
        adjustParentSize();
    }
    widgetSettings->position = p;
    adjustParentSize();
}

void XWidget::updateParent()
{
    if (group) {
        group->removeXWidget(this, true);
        group = nullptr;
    }
    if (!widgetSettings->group.isEmpty() && XWidgetsPanel) {
        for (XWidgetGroup* candidate : *XWidgetsPanel->groups) {
            if (candidate->settings->name == widgetSettings->group) {
                group = candidate;
                group->addXWidget(this);
                break;
            }
        }
    }
    adjustParentSize();
}

void XWidget::setAnimationOnClick(bool en)
{
    animationOnClick = en;
}

bool XWidget::event(QEvent* e)
{
    if (e->type() == QEvent::Gesture)
        return gestureEvent(static_cast<QGestureEvent*>(e));
    return QWidget::event(e);
}

void XWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QFrame::mousePressEvent(event);
        return;
    }
    if (!ctrlHeld()) {
        mainClick();
        return;
    }
    dragPoint = event->localPos().toPoint();
    // Drawn opaque while dragged, so the operator sees what moves.
    setAttribute(Qt::WA_TranslucentBackground, false);
    setAttribute(Qt::WA_NoSystemBackground, false);
}

void XWidget::mouseReleaseEvent(QMouseEvent* event)
{
    setTransparent(transparent);
    QFrame::mouseReleaseEvent(event);
}

void XWidget::mouseMoveEvent(QMouseEvent* event)
{
    if ((event->buttons() & Qt::LeftButton) && ctrlHeld()) {
        moveTo(mapToParent(event->localPos().toPoint() - dragPoint));
        return;
    }
    QFrame::mouseMoveEvent(event);
}

void XWidget::leaveEvent(QEvent* event)
{
    setTransparent(transparent);
    QFrame::leaveEvent(event);
}

void XWidget::contextMenuEvent(QContextMenuEvent* event)
{
    contextMenu->exec(event->globalPos());
}
