#include "xserialportitem.h"

XSerialPortItem::XSerialPortItem(QObject* parent)
    : QObject(parent)
{
}

XSerialPortItem::~XSerialPortItem()
{
    m_state = NotAsking;
    m_port = nullptr;
    emit giveAccess(this);
}

void XSerialPortItem::requestAccess(int state)
{
    m_state = state;
    emit getAccess();
}

void XSerialPortItem::releaseAccess()
{
    m_state = NotAsking;
    m_port = nullptr;
    emit giveAccess(this);
}

void XSerialPortItem::setObtained(XSerialPort* port)
{
    m_port = port;
    emit obtainedAccess();
}
