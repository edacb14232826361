#pragma once

#include <QList>
#include <QSerialPort>
#include <QString>

#include <climits>

class XSerialPortItem;

// The one serial port of the program, handed round its clients in turn,
// priority requests first. The host never opens it: that is the business of
// the client holding access.
class XSerialPort : public QSerialPort
{
    Q_OBJECT

public:
    static const int NOBODY = INT_MAX;

    explicit XSerialPort(QObject* parent = nullptr);

    void addItem(XSerialPortItem* item);
    // Grants access to the first asking client from start, cyclically:
    // priority requests in a first pass, normal ones in a second.
    void grantAccess(int start);
    void grantAccessTo(int index);

    // Index in the client list of the client holding access, or NOBODY.
    int owner() const { return m_owner; }
    int itemCount() const { return m_clients.size(); }

public slots:
    void itemDestroyed(QObject* object);
    void itemGiveAccess(XSerialPortItem* item);
    void itemGetAccess();
    void serialPortSetAvailable(QString name, bool available);

private:
    int m_owner = NOBODY;
    QList<XSerialPortItem*> m_clients;
};
