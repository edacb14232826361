#include "xautosave.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QSettings>
#include <QTimer>

namespace {
// Long enough that a drag, a typed name or a burst of browser requests ends
// in one save; short enough that a crash costs little.
const int SAVE_DELAY_MS = 2000;

bool isOperatorInput(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
    case QEvent::Wheel:
    case QEvent::Drop:
    case QEvent::TouchEnd:
        return true;
    case QEvent::KeyRelease:
        return !static_cast<const QKeyEvent*>(event)->isAutoRepeat();
    default:
        return false;
    }
}
}

XAutoSave::XAutoSave(QSettings* settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setInterval(SAVE_DELAY_MS);
    connect(m_timer, &QTimer::timeout, this, &XAutoSave::save);
    // The application sees every event of the GUI thread, whichever object it
    // is for: the operator's input, and the event QSettings posts itself when
    // something first changes after its last save.
    qApp->installEventFilter(this);
}

XAutoSave::~XAutoSave()
{
    qApp->removeEventFilter(this);
}

void XAutoSave::changed()
{
    if (!m_saving && !m_timer->isActive())
        m_timer->start();
}

bool XAutoSave::takeSettingsChanged()
{
    // A change made a moment ago has its event still waiting.
    QCoreApplication::sendPostedEvents(m_settings, QEvent::UpdateRequest);
    const bool wasChanged = m_settingsChanged;
    m_settingsChanged = false;
    return wasChanged;
}

bool XAutoSave::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_settings) {
        if (event->type() == QEvent::UpdateRequest) {
            m_settingsChanged = true;
            changed();
        }
    } else if (isOperatorInput(event)) {
        changed();
    }
    return QObject::eventFilter(watched, event);
}

void XAutoSave::save()
{
    m_saving = true;
    emit saveDue();
    m_saving = false;
}
