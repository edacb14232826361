#pragma once

// The process's own descriptors, as the system lists them (/proc/self/fd on
// Linux, /dev/fd elsewhere). A program started from the panel must inherit
// none of them, so every descriptor is close-on-exec: those the program opens
// are opened so, and these mark the ones that others leave it (whoever
// started it, a library that opens its own).
class XDescriptors
{
public:
    static void markCloseOnExec(int descriptor);
    // Every descriptor above standard error.
    static void markAllCloseOnExec();
    // The descriptors open now; 0 where the system does not list them.
    static int openCount();
};
