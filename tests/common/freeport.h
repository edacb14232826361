#pragma once

#include <QtGlobal>

// A port that nothing listens on now, for a server a test starts, chosen
// below the range the system takes client ports from: the many connections
// of tests running beside it can then never have taken it by the time the
// server binds. 0 when none is free.
quint16 freeServerPort();
