#include "freeport.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>

namespace {
const int LOWEST_PORT = 10000;
// Used when the system does not say where its client ports begin.
const int DEFAULT_CLIENT_PORTS_START = 32768;
const char CLIENT_PORT_RANGE[] = "/proc/sys/net/ipv4/ip_local_port_range";

int clientPortsStart()
{
    QFile range { QString::fromLatin1(CLIENT_PORT_RANGE) };
    if (!range.open(QIODevice::ReadOnly))
        return DEFAULT_CLIENT_PORTS_START;
    bool ok = false;
    const int start = range.readAll().simplified().split(' ').value(0).toInt(&ok);
    return ok && start > LOWEST_PORT ? start : DEFAULT_CLIENT_PORTS_START;
}
}

quint16 freeServerPort()
{
    const int start = clientPortsStart();
    const int count = start - LOWEST_PORT;
    // Tests run side by side start at different places, so that two of them
    // rarely try the same port.
    const int offset = int(QCoreApplication::applicationPid() * 7919 % count);
    for (int i = 0; i < count; ++i) {
        const quint16 port = quint16(LOWEST_PORT + (offset + i) % count);
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, port))
            return port;
    }
    return 0;
}
