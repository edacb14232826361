#pragma once

#include "xserversigningate.h"
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
// One network thread owns every socket of the server for the socket's whole
// life: the listening socket is opened, accepted on and closed there, and each
// connection is read, answered and closed there, event-driven, so an idle or
// slow peer costs a socket and never a thread. No descriptor is copied or
// handed to another thread, and every descriptor is opened close-on-exec, so
// a program started meanwhile holds none of them.
//
// A GET is answered in the network thread. A POST waits in the sign-in gate
// of its address and then goes to the GUI thread as one queued call, which
// checks the password and, when it is right, runs the whole exchange there;
// its answer comes back as a queued call too, by way of a worker that turns
// the exchange's data into JSON. Workers hold no socket and only post. No
// thread ever waits for another, so a busy GUI thread holds up only the
// signed-in requests.
//
// At most 500 connections are open, and a margin of descriptors stays free
// for the program. At either limit a newcomer takes the place of the oldest
// connection that only waits on its peer (its request not complete, or its
// answer not taken), from the address holding the most of them; connections
// the server itself is busy with (in the sign-in gate, in the GUI thread,
// holding a failed sign-in's answer) are never cut. A request has 10 s from
// its acceptance, an answer 30 s from its first byte.
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
    // connection id. An exchange's data is turned into JSON on a worker
    // first: for a large panel that is most of a pass, and neither the GUI
    // thread nor the one network thread should carry it.
    void answerPass(XServerListener* listener, quint64 id, XServerSocketThread::Answer answer);

    // Called in either thread.
    bool isStopping() const;
    XServerSignInGate* signInGate();
    QString applicationFolder() const;

private:
    std::unique_ptr<QThread> m_thread;
    // Its tasks only post to the listener, never wait on another thread.
    QThreadPool m_serialisers;
    XServerListener* m_listener = nullptr;
    // The GUI thread's calls are posted to it: they go with it at the end.
    std::unique_ptr<QObject> m_guiContext;
    XServerSignInGate m_signInGate;
    QAtomicInt m_stopping = 0;
    QString m_applicationFolder;
};
