#include "loopgapmeter.h"

namespace {
const int TICK_MS = 20;
}

LoopGapMeter::LoopGapMeter()
{
    m_clock.start();
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const qint64 now = m_clock.elapsed();
        m_longest = qMax(m_longest, now - m_last);
        m_last = now;
    });
    m_timer.start(TICK_MS);
}

qint64 LoopGapMeter::longestGapMs() const
{
    return qMax(m_longest, m_clock.elapsed() - m_last);
}
