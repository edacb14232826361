#pragma once

#include "xserveradmission.h"
#include "xserversigningate.h"
#include "xserversocketthread.h"

#include <QAtomicInt>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <vector>

class QObject;
class QThread;
class XServerListener;

// How the web server holds its connections.
//
// A few network threads share the work, each with a listening socket of its
// own on the server's port; the kernel spreads the newcomers over them. A
// thread owns every socket it opens for the socket's whole life: its
// listening socket is opened, accepted on and closed there, and each
// connection it accepts is read, answered and closed there, event-driven, so
// an idle or slow peer costs a socket and never a thread. No descriptor is
// copied or handed to another thread, and every descriptor is opened
// close-on-exec, so a program started meanwhile holds none of them.
//
// A GET is answered in its network thread. A POST waits in the sign-in gate
// of its address and then goes to the GUI thread as one queued call, which
// checks the password and, when it is right, runs the whole exchange there;
// its answer comes back as a queued call too, by way of a worker that turns
// the exchange's data into JSON. Workers hold no socket and only post. No
// thread ever waits for another, so a busy GUI thread holds up only the
// signed-in requests.
//
// At most 500 connections are open in all, and a margin of descriptors stays
// free for the program; the threads share the count (XServerAdmission). At
// either limit a newcomer takes the place of the oldest connection that only
// waits on its peer (its request not complete, or its answer not taken),
// from the address holding the most of them, whichever thread holds it: that
// thread is told to close it, and a connection chosen so closes rather than
// goes on. Only a few such closings are outstanding at once: beyond them a
// thread takes no further newcomer until one is done, and the newcomers wait
// in the kernel's backlog rather than being refused. Connections the server itself is busy with (in the sign-in gate,
// in the GUI thread, holding a failed sign-in's answer) are never cut. A
// request has 10 s from its acceptance, an answer 30 s from its first byte.
//
// This class is the GUI thread's side: it starts and ends the network
// threads and passes the settings to them.
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

    // Called in a network thread: runs the task in the GUI thread, unless
    // the server is ended first.
    void runInGuiThread(std::function<void()> task);
    // Called in the GUI thread with a pass's answer for the listener's
    // connection id. An exchange's data is turned into JSON on a worker
    // first: for a large panel that is most of a pass, and neither the GUI
    // thread nor a network thread should carry it.
    void answerPass(XServerListener* listener, quint64 id, XServerSocketThread::Answer answer);

    // Called in any thread.
    bool isStopping() const;
    XServerSignInGate* signInGate();
    QString applicationFolder() const;

private:
    // Runs in each listener's thread in turn, waiting for it; the network
    // threads never wait on this one, so that is safe.
    template <typename Call> void inEachListener(Call call);

    std::vector<std::unique_ptr<QThread>> m_threads;
    // Its tasks only post to a listener, never wait on another thread.
    QThreadPool m_serialisers;
    std::vector<XServerListener*> m_listeners;
    XServerAdmission m_admission;
    // The GUI thread's calls are posted to it: they go with it at the end.
    std::unique_ptr<QObject> m_guiContext;
    XServerSignInGate m_signInGate;
    QAtomicInt m_stopping = 0;
    QString m_applicationFolder;
};
