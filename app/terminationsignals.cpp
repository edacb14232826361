#include "terminationsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int signalPipe[2] = { -1, -1 };
const int HANDLED_SIGNALS[] = { SIGTERM, SIGINT, SIGHUP };

void writeToPipe(int signalNumber)
{
    const char byte = char(signalNumber);
    const ssize_t written = ::write(signalPipe[0], &byte, 1);
    Q_UNUSED(written)
}
}

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::handleSignal);

    struct sigaction action = {};
    action.sa_handler = writeToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : HANDLED_SIGNALS)
        sigaction(signalNumber, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    for (int signalNumber : HANDLED_SIGNALS)
        sigaction(signalNumber, &action, nullptr);
    if (signalPipe[0] >= 0) {
        ::close(signalPipe[0]);
        ::close(signalPipe[1]);
        signalPipe[0] = signalPipe[1] = -1;
    }
}

void TerminationSignals::handleSignal()
{
    char byte = 0;
    const ssize_t got = ::read(signalPipe[1], &byte, 1);
    Q_UNUSED(got)
    // Queued, so that a signal that arrives while the main window is still
    // being built ends the run as soon as the event loop starts.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}
