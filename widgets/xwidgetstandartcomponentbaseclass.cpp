#include "xwidgetstandartcomponentbaseclass.h"

XWidgetStandartComponentBaseClass::XWidgetStandartComponentBaseClass()
    : QBoxLayout(QBoxLayout::TopToBottom)
{
}

bool XWidgetStandartComponentBaseClass::editMode()
{
    return m_editMode;
}

void XWidgetStandartComponentBaseClass::setEditMode(bool on)
{
    m_editMode = on;
}

QString XWidgetStandartComponentBaseClass::libPath() const
{
    return m_libPath;
}

void XWidgetStandartComponentBaseClass::setLibPath(const QString& path)
{
    m_libPath = path;
}

QVariantMap XWidgetStandartComponentBaseClass::getMap()
{
    return QVariantMap();
}

void XWidgetStandartComponentBaseClass::setMap(QVariantMap) { }

QString XWidgetStandartComponentBaseClass::webObject(bool)
{
    return QString();
}

QVariant XWidgetStandartComponentBaseClass::webVariant(QVariant, bool)
{
    return QVariant();
}

QObject* XWidgetStandartComponentBaseClass::getInsideObject(QString)
{
    return nullptr;
}

bool XWidgetStandartComponentBaseClass::haveSettingsDialog()
{
    return false;
}

QByteArray XWidgetStandartComponentBaseClass::settingsDialog(QByteArray geometry)
{
    return geometry;
}

QWidget* XWidgetStandartComponentBaseClass::fastEditWidget()
{
    return nullptr;
}

void XWidgetStandartComponentBaseClass::setName(QString) { }

void XWidgetStandartComponentBaseClass::setMin(double) { }

void XWidgetStandartComponentBaseClass::setMax(double) { }

bool XWidgetStandartComponentBaseClass::setRange(double, double)
{
    return false;
}

void XWidgetStandartComponentBaseClass::setWritable(bool) { }

QObject* XWidgetStandartComponentBaseClass::setter()
{
    return m_setter;
}

void XWidgetStandartComponentBaseClass::setSetter(QObject* o)
{
    m_setter = o;
}

void XWidgetStandartComponentBaseClass::setValue(QVariant v)
{
    value = v;
    emit valueUpdated();
}

void XWidgetStandartComponentBaseClass::setReturnValue(QVariant) { }

QVariant XWidgetStandartComponentBaseClass::lastSetValue()
{
    return value;
}

QVariant XWidgetStandartComponentBaseClass::getValue()
{
    return QVariant();
}

void XWidgetStandartComponentBaseClass::returnValueUpdated()
{
    emit returnValueUpdatedSignal();
}
