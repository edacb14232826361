#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// The longest time this thread's event loop went without turning since the
// meter was made: what a user of a window frozen by the code under test waits.
class LoopGapMeter : public QObject
{
public:
    LoopGapMeter();

    qint64 longestGapMs() const;

private:
    QElapsedTimer m_clock;
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};
