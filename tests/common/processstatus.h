#pragma once

#include <QtGlobal>

// A value of this process's /proc/self/status in KiB ("VmRSS:", "VmHWM:"),
// or -1 where there is none.
qint64 processStatusKiB(const char* key);
