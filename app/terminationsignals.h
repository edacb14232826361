#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a quit of the event loop, so that the
// main window is destroyed and saves everything as at a normal exit. The
// handler only writes to a pipe; the rest happens in the GUI thread.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    void handleSignal();

    QSocketNotifier* m_notifier = nullptr;
};
