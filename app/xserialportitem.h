#pragma once

#include <QObject>

class XSerialPort;

// A client's handle on the shared serial port: asks for access, is told when
// it has been granted, and gives it back.
class XSerialPortItem : public QObject
{
    Q_OBJECT

public:
    enum State { NotAsking = 0, Asking = 1, AskingWithPriority = 2 };

    explicit XSerialPortItem(QObject* parent = nullptr);
    // Gives access back, so that the next waiting client is served.
    ~XSerialPortItem() override;

    // state is Asking or AskingWithPriority.
    void requestAccess(int state);
    void releaseAccess();
    void setObtained(XSerialPort* port);

    // The port while this client holds access, else null.
    XSerialPort* port() const { return m_port; }
    int state() const { return m_state; }

signals:
    void giveAccess(XSerialPortItem* item);
    void getAccess();
    void obtainedAccess();

private:
    XSerialPort* m_port = nullptr;
    int m_state = NotAsking;
};
