#include "xwidgetstandartcomponent.h"

#include "xedgebands.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandartcomponentbaseclass.h"
#include "xwidgetstandartcomponentempty.h"
#include "xwidgetstandartcomponentsettings.h"

#include <QCoreApplication>
#include <QDebug>
#include <QGuiApplication>
#include <QLibrary>
#include <QMouseEvent>
#include <QPainter>
#include <QSet>
#include <QVBoxLayout>
#include <QVector>

namespace {
const char* const COMPONENTS_FOLDER = "/widgets_components_lib";
const char* const MAKE_OBJECT = "makeObject";
const char* const DIALOG_GEOMETRY_KEY = "XWidgetStandartComponentDialog_geometry";
const char* const KNOWN_WRITABLE_PROPERTY = "_knownWritable";
const int MIN_SIDE = 10;
const int MOVE_STEP = 5;
// A dragged component keeps at least this much of itself inside its parent.
const int INNER_CLAMP = 30;

using MakeObject = XWidgetStandartComponentBaseClass* (*)();
}

// Links are symmetric and may form rings, in which passing a value or a limit
// on to every linked component but the sender would never end. Propagation runs
// depth-first and synchronously (through the standard widget's value handler
// for values, by direct calls for limits), so one wave in progress remembers
// the components it reached and stops there. A call joins the wave only when
// its sender is a component of that wave; any other value (a script's, a
// module's) starts a wave of its own, so pairs and chains behave as if there
// were no waves at all.
class XWidgetStandartComponent::PropagationWave
{
public:
    enum Kind { Value, Min, Max, Range, Writable, KindCount };

    PropagationWave(Kind kind, const QObject* self, const QObject* sender)
        : m_waves(s_waves[kind])
    {
        m_joined = sender && !m_waves.isEmpty() && m_waves.last().contains(sender);
        if (!m_joined)
            m_waves.append(QSet<const QObject*>());
        m_index = m_waves.size() - 1;
        reach(self);
    }
    ~PropagationWave()
    {
        if (!m_joined)
            m_waves.removeLast();
    }
    PropagationWave(const PropagationWave&) = delete;
    PropagationWave& operator=(const PropagationWave&) = delete;

    bool reached(const QObject* component) const { return m_waves.at(m_index).contains(component); }
    void reach(const QObject* component) { m_waves[m_index].insert(component); }

private:
    static QVector<QSet<const QObject*>> s_waves[KindCount];

    QVector<QSet<const QObject*>>& m_waves;
    bool m_joined = false;
    int m_index = 0;
};

QVector<QSet<const QObject*>> XWidgetStandartComponent::PropagationWave::s_waves[KindCount];

XWidgetStandartComponent::XWidgetStandartComponent(XWidgetStandartComponentSettings* settings)
    : QWidget(nullptr)
    , settings(settings)
{
    auto* ownLayout = new QVBoxLayout(this);
    ownLayout->setContentsMargins(0, 0, 0, 0);

    const QString libDir = QCoreApplication::applicationDirPath() + QLatin1String(COMPONENTS_FOLDER);
    if (!settings->libName.isEmpty()) {
        // Never unloaded: the library's code stays in use by objects and
        // connections for as long as the process runs.
        QLibrary library(libDir + QLatin1Char('/') + settings->libName, this);
        MakeObject makeObject = nullptr;
        if (library.load())
            makeObject = reinterpret_cast<MakeObject>(library.resolve(MAKE_OBJECT));
        if (makeObject)
            object = makeObject();
        if (!object) {
            qDebug() << "Can't load component with library" << settings->libName;
            return;
        }
        object->setLibPath(libDir);
    } else {
        auto* empty = new XWidgetStandartComponentEmpty;
        object = empty;
        noLibrary = true;
        setProperty(KNOWN_WRITABLE_PROPERTY, empty->isWritable());
    }

    ownLayout->addLayout(object, 0);
    object->setMap(settings->libSettings);
    connect(object, &XWidgetStandartComponentBaseClass::valueUpdated, this,
        &XWidgetStandartComponent::valueUpdated);
    connect(object, &XWidgetStandartComponentBaseClass::returnValueUpdatedSignal, this,
        &XWidgetStandartComponent::returnValueUpdated);
    connect(object, &XWidgetStandartComponentBaseClass::libSettingsUpdated, this,
        &XWidgetStandartComponent::libSettingsUpdated);
    object->setName(settings->name);
}

bool XWidgetStandartComponent::editMode()
{
    return m_editMode;
}

void XWidgetStandartComponent::setEditMode(bool on)
{
    m_editMode = on;
    setToolTip(on ? settings->name : QString());
    if (!on)
        clearResizeState();
    if (object)
        object->setEditMode(on);
    setMouseTracking(on);
    update();
}

QObject* XWidgetStandartComponent::getSubObject()
{
    return object;
}

void XWidgetStandartComponent::setMin(double v, QObject* sender)
{
    PropagationWave wave(PropagationWave::Min, this, sender);
    if (object)
        object->setMin(v);
    passLimitOn(sender, wave, [this, v](XWidgetStandartComponent* linked) { linked->setMin(v, this); });
}

void XWidgetStandartComponent::setMax(double v, QObject* sender)
{
    PropagationWave wave(PropagationWave::Max, this, sender);
    if (object)
        object->setMax(v);
    passLimitOn(sender, wave, [this, v](XWidgetStandartComponent* linked) { linked->setMax(v, this); });
}

bool XWidgetStandartComponent::setRange(double min, double max, QObject* sender)
{
    PropagationWave wave(PropagationWave::Range, this, sender);
    const bool taken = object && object->setRange(min, max);
    passLimitOn(sender, wave,
        [this, min, max](XWidgetStandartComponent* linked) { linked->setRange(min, max, this); });
    return taken;
}

void XWidgetStandartComponent::setWritable(bool v, QObject* sender)
{
    PropagationWave wave(PropagationWave::Writable, this, sender);
    if (object) {
        object->setWritable(v);
        setProperty(KNOWN_WRITABLE_PROPERTY, v);
    }
    passLimitOn(sender, wave, [this, v](XWidgetStandartComponent* linked) { linked->setWritable(v, this); });
}

QVariant XWidgetStandartComponent::knownWritable() const
{
    return property(KNOWN_WRITABLE_PROPERTY);
}

QObject* XWidgetStandartComponent::setter()
{
    return object ? object->setter() : nullptr;
}

void XWidgetStandartComponent::setSetter(QObject* o)
{
    if (object)
        object->setSetter(o);
}

void XWidgetStandartComponent::setValue(QVariant v, QObject* sender)
{
    emit setValueHandlerSignal(this, v, sender);
}

void XWidgetStandartComponent::setValueHandler(QVariant v, QObject* sender)
{
    PropagationWave wave(PropagationWave::Value, this, sender);
    if (object) {
        QObject* owner = object->setter();
        if (sender != owner && owner) {
            // The value is meant for the module that owns this component.
            object->setReturnValue(v);
            return;
        }
        object->setValue(v);
    }
    passValueOn(v, sender, wave);
}

void XWidgetStandartComponent::setReturnValue(QVariant v)
{
    if (object)
        object->setReturnValue(v);
}

QVariant XWidgetStandartComponent::lastSetValue()
{
    return object ? object->lastSetValue() : QVariant();
}

QVariant XWidgetStandartComponent::getValue()
{
    if (!object)
        return QVariant();
    const QVariant v = object->getValue();
    if (!v.isValid())
        return v;
    switch (object->lastSetValue().userType()) {
    case QMetaType::Bool:
        return v.toString() == QLatin1String("true");
    case QMetaType::Int:
    case QMetaType::QChar:
        return v.toInt();
    case QMetaType::UInt:
        return v.toUInt();
    case QMetaType::LongLong:
        return v.toLongLong();
    case QMetaType::ULongLong:
        return v.toULongLong();
    case QMetaType::Double:
        return v.toDouble();
    case QMetaType::QString:
        return v.toString();
    default:
        return v;
    }
}

void XWidgetStandartComponent::connectToComponent(XWidgetStandartComponent* other)
{
    if (!other || other == this || m_connectedComponents.contains(other))
        return;
    m_connectedComponents.append(other);
    other->connectToComponent(this);
}

void XWidgetStandartComponent::setPosition(QPoint p)
{
    if (QWidget* parent = parentWidget()) {
        if (p.y() + height() > parent->height())
            p.setY(parent->height() - height());
        if (p.x() + width() > parent->width())
            p.setX(parent->width() - width());
    }
    p = QPoint(qMax(0, p.x()), qMax(0, p.y()));
    move(p);
    settings->position = p;
}

void XWidgetStandartComponent::setSize(QSize s)
{
    resize(qMax(MIN_SIDE, s.width()), qMax(MIN_SIDE, s.height()));
    settings->size = size();
}

void XWidgetStandartComponent::clearResizeState()
{
    unsetCursor();
    m_resizeWidth = false;
    m_resizeHeight = false;
    m_resizeBoth = false;
}

#ifdef XWIDGETS_FULL
void XWidgetStandartComponent::settingsDialog()
{
    if (object) {
        const QString key = QLatin1String(DIALOG_GEOMETRY_KEY);
        XDialogsGeometry.insert(key, object->settingsDialog(XDialogsGeometry.value(key).toByteArray()));
    }
    emit settingsUpdated();
}
#endif

void XWidgetStandartComponent::libSettingsUpdated()
{
    if (object && sender() == object)
        settings->libSettings = object->getMap();
}

void XWidgetStandartComponent::returnValueUpdated()
{
    if (!object)
        return;
    if (object->setter()) {
        emit returnValueUpdatedSignal();
        return;
    }
    PropagationWave wave(PropagationWave::Value, this, nullptr);
    const QVariant v = object->getValue();
    object->setValue(v);
    passValueOn(v, nullptr, wave);
}

void XWidgetStandartComponent::passValueOn(const QVariant& v, const QObject* sender, PropagationWave& wave)
{
    const QList<XWidgetStandartComponent*> linked = m_connectedComponents;
    for (XWidgetStandartComponent* component : linked) {
        if (component == sender || wave.reached(component))
            continue;
        wave.reach(component);
        if (component->object && component->object->setter())
            component->object->setReturnValue(v);
        else
            emit component->setValueHandlerSignal(component, v, this);
    }
}

template <typename Apply>
void XWidgetStandartComponent::passLimitOn(const QObject* sender, PropagationWave& wave, Apply apply)
{
    const QList<XWidgetStandartComponent*> linked = m_connectedComponents;
    for (XWidgetStandartComponent* component : linked) {
        if (component == sender || wave.reached(component))
            continue;
        // A component with a setter takes its limits from its setter only.
        if (component->object && component->object->setter())
            continue;
        wave.reach(component);
        apply(component);
    }
}

Qt::CursorShape XWidgetStandartComponent::ownCursorShape() const
{
    // An unset cursor reads as the parent's, which may be the standard
    // widget's own resize cursor: only a cursor set here starts a resize.
    return testAttribute(Qt::WA_SetCursor) ? cursor().shape() : Qt::ArrowCursor;
}

void XWidgetStandartComponent::mousePressEvent(QMouseEvent* event)
{
    if (m_editMode && event->button() == Qt::LeftButton) {
        m_pressPosition = event->pos();
        m_pressSize = size();
        // Ctrl is read from the application, not the event: a drag that began
        // with Ctrl keeps going however the events report the keys.
        if (QGuiApplication::keyboardModifiers() & Qt::ControlModifier)
            return;
        m_resizeWidth = false;
        m_resizeHeight = false;
        m_resizeBoth = false;
        switch (ownCursorShape()) {
        case Qt::SizeFDiagCursor:
            m_resizeBoth = true;
            return;
        case Qt::SizeHorCursor:
            m_resizeWidth = true;
            return;
        case Qt::SizeVerCursor:
            m_resizeHeight = true;
            return;
        default:
            break;
        }
    }
    QWidget::mousePressEvent(event);
}

void XWidgetStandartComponent::mouseReleaseEvent(QMouseEvent* event)
{
    clearResizeState();
    QWidget::mouseReleaseEvent(event);
}

void XWidgetStandartComponent::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_editMode) {
        clearResizeState();
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint mouse = event->pos();
    const Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();

    if ((event->buttons() & Qt::LeftButton) && (modifiers & Qt::ControlModifier)) {
        QPoint target = mapToParent(mouse - m_pressPosition);
        if (QWidget* parent = parentWidget()) {
            target.setX(qMin(target.x(), parent->width() - INNER_CLAMP));
            target.setY(qMin(target.y(), parent->height() - INNER_CLAMP));
        }
        target = QPoint(qMax(0, target.x()), qMax(0, target.y()));
        if (!(modifiers & Qt::ShiftModifier))
            target = QPoint(target.x() / MOVE_STEP * MOVE_STEP, target.y() / MOVE_STEP * MOVE_STEP);
        const QPoint before = pos();
        setPosition(target);
        emit geomertyChanged(this, pos() - before, QSize(0, 0));
        return;
    }

    if (m_resizeWidth || m_resizeHeight || m_resizeBoth) {
        QSize wanted = size();
        if (m_resizeWidth || m_resizeBoth)
            wanted.setWidth(mouse.x() - m_pressPosition.x() + m_pressSize.width());
        if (m_resizeHeight || m_resizeBoth)
            wanted.setHeight(mouse.y() - m_pressPosition.y() + m_pressSize.height());
        if (wanted != size()) {
            const QSize before = size();
            setSize(wanted);
            emit geomertyChanged(this, QPoint(0, 0), size() - before);
        }
    }

    const Qt::CursorShape resizeCursor = XEdgeBands::cursorAt(mouse, size());
    if (resizeCursor != Qt::ArrowCursor) {
        setCursor(resizeCursor);
    } else {
        unsetCursor();
        QWidget::mouseMoveEvent(event);
    }
}

void XWidgetStandartComponent::paintEvent(QPaintEvent*)
{
    if (!m_editMode)
        return;
    QPainter painter(this);
    QPen pen = painter.pen();
    if (testAttribute(Qt::WA_TransparentForMouseEvents))
        pen.setStyle(Qt::DashLine);
    painter.setPen(pen);
    painter.drawRect(0, 0, width() - 1, height() - 1);
}
