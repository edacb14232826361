#include "plugbaybaseclass.h"

#include <QDebug>
#include <QIODevice>

PlugbayBaseClass::PlugbayBaseClass() = default;

PlugbayBaseClass::~PlugbayBaseClass()
{
    // Flushes what is still buffered into the host's device.
    delete x_debug;
}

void PlugbayBaseClass::x_setDebug(QIODevice* device)
{
    delete x_debug;
    x_debug = new QDebug(device);
}

bool PlugbayBaseClass::x_debugIsEnabled()
{
    return false;
}

void PlugbayBaseClass::x_setAdditionInformation(QMap<QString, QVariant> info)
{
    Q_UNUSED(info)
}

void PlugbayBaseClass::x_start() { }

void PlugbayBaseClass::x_allLoaded() { }

QVariant PlugbayBaseClass::x_getParameters()
{
    return QVariant();
}

void PlugbayBaseClass::x_journalAdd(QString text, PlugbayBaseClass::JournalLevel_t level)
{
    emit x_journalAdd_signal(text, level);
}

QWidget* PlugbayBaseClass::x_getWidget()
{
    return nullptr;
}

QString PlugbayBaseClass::x_widgetName()
{
    return QString();
}

void PlugbayBaseClass::x_widgetComponentConnected(QString name)
{
    Q_UNUSED(name)
}

void PlugbayBaseClass::x_componentValueUpdated(QString name, QVariant value)
{
    Q_UNUSED(name)
    Q_UNUSED(value)
}

void PlugbayBaseClass::x_componentReturnValueUpdated(QString name, QVariant value)
{
    Q_UNUSED(name)
    Q_UNUSED(value)
}

void PlugbayBaseClass::x_componentSetValue(QString name, QVariant value)
{
    emit x_componentSetValue_signal(name, value);
}

void PlugbayBaseClass::x_componentSetRange(QString name, double min, double max)
{
    emit x_componentSetRange_signal(name, min, max);
}

void PlugbayBaseClass::x_componentSetWritable(QString name, bool writable)
{
    emit x_componentSetWritable_signal(name, writable);
}

QMap<QString, PlugbayBaseClass::widgetComponentItem_t> PlugbayBaseClass::x_getComponentsList()
{
    return QMap<QString, widgetComponentItem_t>();
}
