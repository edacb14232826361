#include "xserialport.h"
#include "xserialportitem.h"

XSerialPort::XSerialPort(QObject* parent)
    : QSerialPort(parent)
{
}

void XSerialPort::addItem(XSerialPortItem* item)
{
    connect(item, &QObject::destroyed, this, &XSerialPort::itemDestroyed);
    connect(item, &XSerialPortItem::getAccess, this, &XSerialPort::itemGetAccess);
    connect(item, &XSerialPortItem::giveAccess, this, &XSerialPort::itemGiveAccess);
    m_clients.append(item);
}

void XSerialPort::grantAccess(int start)
{
    const int count = m_clients.size();
    if (count == 0)
        return;
    for (const int wanted : { int(XSerialPortItem::AskingWithPriority), int(XSerialPortItem::Asking) }) {
        for (int step = 0; step < count; ++step) {
            const int index = int((qint64(start) + step) % count);
            if (m_clients.at(index)->state() == wanted) {
                grantAccessTo(index);
                return;
            }
        }
    }
}

void XSerialPort::grantAccessTo(int index)
{
    m_owner = index;
    m_clients.at(index)->setObtained(this);
}

void XSerialPort::itemDestroyed(QObject* object)
{
    // Only the QObject part is left by now, so compare addresses as QObject.
    for (int index = 0; index < m_clients.size(); ++index) {
        if (static_cast<QObject*>(m_clients.at(index)) != object)
            continue;
        m_clients.removeAt(index);
        // The owner is kept as an index: it must follow its client down the list.
        if (m_owner != NOBODY) {
            if (index < m_owner)
                --m_owner;
            else if (index == m_owner)
                m_owner = NOBODY;
        }
        return;
    }
}

void XSerialPort::itemGiveAccess(XSerialPortItem* item)
{
    const int index = m_clients.indexOf(item);
    // A waiting client that gives up has withdrawn its request already; taking
    // the port from the owner then would let two clients hold it at once.
    if (m_owner != NOBODY && index != m_owner)
        return;
    m_owner = NOBODY;
    grantAccess(index + 1);
}

void XSerialPort::itemGetAccess()
{
    if (m_owner == NOBODY)
        grantAccess(0);
}

void XSerialPort::serialPortSetAvailable(QString name, bool available)
{
    if (available)
        setPortName(name);
}
