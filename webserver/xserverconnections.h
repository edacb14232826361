#pragma once

#include "xserversocketthread.h"

#include <QAtomicInt>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <memory>

class QObject;
class QThread;
class XServerListener;

// How the web server holds its connections.
//
// One network thread owns the server's one listening socket and every
// connection it accepts, in one set (XServerListener), for their whole lives:
// it accepts, reads, answers and closes them event-driven, so an idle or slow
// peer costs a socket and never a thread. The listening socket is bound
// without SO_REUSEPORT, so no other program can bind the port beside it, and
// every descriptor is opened close-on-exec, so a program started meanwhile
// holds none of them.
//
// A GET is answered in the network thread; a file larger than one piece goes
// in pieces as the peer takes them, so an answer holds a piece, not the file.
// A POST waits its turn in the sign-in gate of its address and then goes to
// the GUI thread as one queued call, which checks the password and, when it
// is right, runs the whole exchange there; its answer comes back as a queued
// call, by way of a worker that turns the exchange's data into JSON (for a
// large panel the costliest part: done in the GUI thread, it cut the
// exchanges served to a fifth). Workers hold no socket and only post. The network
// thread never waits for another, so a busy GUI thread holds up only the
// signed-in requests; the GUI thread waits for the network thread only to
// switch listening on or off and to end it.
//
// What both threads touch: the count of open connections and the port (read
// by the GUI thread), the stopping flag, and each queued pass's ticket, which
// either the GUI thread takes to run the pass or the network thread to drop
// it. All are atomics.
//
// At most 500 connections are open, and a margin of descriptors stays free
// for the program. At either limit a newcomer takes the place of the oldest
// connection that can give way, from the address holding the most of them:
// every connection can, but one whose pass runs in the GUI thread right now.
// One that reads or writes is closed; a sign-in waiting its turn, or whose
// pass is still queued, is answered as busy (503, unchecked); one holding a
// failed sign-in's answer through the delay gets that answer at once. A
// request has 10 s from its acceptance, an answer 30 s from its first byte.
//
// This class is the GUI thread's side: it starts and ends the network thread
// and passes the settings to it.
class XServerConnections
{
public:
    XServerConnections();
    ~XServerConnections();

    // Called in the GUI thread; empty when the server listens, else why not.
    QString listen(quint16 port, int delay, bool secure);
    void stopListening();
    bool isListening() const;
    quint16 port() const;

    int active() const;

    // Called in the network thread: runs the task in the GUI thread, unless
    // the server is ended first.
    void runInGuiThread(std::function<void()> task);
    // Called in the GUI thread with a pass's answer for the listener's
    // connection id, from the peer's address.
    void answerPass(quint64 id, const QString& address, XServerSocketThread::Answer answer);

    // Called in any thread.
    bool isStopping() const;
    QString applicationFolder() const;

private:
    // Runs in the network thread, waiting for it; that thread never waits
    // on this one, so that is safe.
    template <typename Call> void inNetworkThread(Call call);

    std::unique_ptr<QThread> m_thread;
    XServerListener* m_listener = nullptr;
    // Its tasks only post to the listener, never wait on another thread.
    QThreadPool m_serialisers;
    // The GUI thread's calls are posted to it: they go with it at the end.
    std::unique_ptr<QObject> m_guiContext;
    QAtomicInt m_stopping = 0;
    QString m_applicationFolder;
};
