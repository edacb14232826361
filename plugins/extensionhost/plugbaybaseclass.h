#pragma once

// The interface between the extension host module and an outside extension
// library. An extension library links against the host module library, which
// exports this class whole, derives its object from it and exports
//
//     extern "C" PlugbayBaseClass* makeObject(QVariant parameters);
//
// `parameters` is what x_getParameters() returned when the module was last
// saved (invalid on the first run); a null result means the library failed.
// The parameters are stored as JSON and come back as JSON gives them: maps,
// lists, strings, booleans, null and numbers, a whole number as a qlonglong
// (an int, and a double such as 40.0, too) and any other as a double. Other
// types do not survive: a QPoint or QSize comes back null, a QByteArray as a
// string (bytes that are not UTF-8 lost). Store such values as text or
// numbers of your own, and read numbers with toInt() or toDouble().
//
// The host drives the object only through the virtual slots below, in this
// order: x_setDebug, x_setAdditionInformation, x_debugIsEnabled, x_start,
// x_getWidget and x_widgetName; later x_allLoaded, and x_getParameters each
// time the module is saved. An exception that leaves one of these calls is
// caught and journalled; the host then goes on as if the call had returned
// the default (for x_getParameters: the parameters saved before, for
// x_getComponentsList: the list it already has).
//
// All calls come in the program's GUI thread, and the object is meant to be
// used there. Two things may be used from any thread: the signals (they
// reach the host queued) and the debug device given to x_setDebug, whose
// every write reaches the "Debug" tab whole unless it is dropped (below).
// The stream x_debug is a single object: use it from one thread only, and
// give another thread a QDebug of its own on the device.
//
// What the host drops of the debug text: the tab shows what was written at
// most ten times a second, less often while a flood keeps it busy (it takes
// no more than a tenth of the GUI thread's time), and the host keeps at most
// the newest 64 KiB of text written in between. Older lines are dropped (of a
// longer line or write, its beginning), and the tab shows
// "[<n> bytes of debug text dropped]" where they were. The tab itself keeps
// the latest 5000 lines. Writing never blocks and never fails.
//
// At the end the host deletes the page returned by x_getWidget first, while
// the object still lives, and then the object. Hold the page by a QPointer;
// do not delete it in the destructor through a plain pointer. The destructor
// must not throw.

#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

class QDebug;
class QIODevice;
class QWidget;

#if defined(PLUGBAY_LIBRARY)
#define PLUGBAY_EXPORT Q_DECL_EXPORT
#else
#define PLUGBAY_EXPORT Q_DECL_IMPORT
#endif

class PLUGBAY_EXPORT PlugbayBaseClass : public QObject
{
    Q_OBJECT

public:
    // The journal's levels; the host drops any other value.
    enum JournalLevel_t { JournalNone = 0, JournalNormal = 1, JournalWarning = 2, JournalCritical = 3 };

    // One component the extension offers for binding to a widget component.
    struct widgetComponentItem_t
    {
        // Shown in the Components tab.
        QString label;
        // The extension wants to be the setter of the bound widget component.
        bool setter = false;
        // The writable flag the bound component gets while the extension is its setter.
        bool writable = false;
    };

    PlugbayBaseClass();
    ~PlugbayBaseClass() override;

    // The host's debug device, as a stream; null until x_setDebug. The stream
    // buffers: text shows in the host's "Debug" tab once flushed, as by
    // `*x_debug << text << Qt::flush`.
    QDebug* x_debug = nullptr;

signals:
    void x_journalAdd_signal(QString text, int level);
    void x_componentSetValue_signal(QString name, QVariant value);
    void x_componentSetRange_signal(QString name, double min, double max);
    void x_componentSetWritable_signal(QString name, bool writable);
    void x_componentsUpdated();

public slots:
    virtual void x_setDebug(QIODevice* device);
    virtual bool x_debugIsEnabled();
    virtual void x_setAdditionInformation(QMap<QString, QVariant> info);
    virtual void x_start();
    virtual void x_allLoaded();
    virtual QVariant x_getParameters();
    virtual void x_journalAdd(QString text, PlugbayBaseClass::JournalLevel_t level);
    virtual QWidget* x_getWidget();
    virtual QString x_widgetName();
    virtual void x_widgetComponentConnected(QString name);
    virtual void x_componentValueUpdated(QString name, QVariant value);
    virtual void x_componentReturnValueUpdated(QString name, QVariant value);
    virtual void x_componentSetValue(QString name, QVariant value);
    virtual void x_componentSetRange(QString name, double min, double max);
    virtual void x_componentSetWritable(QString name, bool writable);
    virtual QMap<QString, PlugbayBaseClass::widgetComponentItem_t> x_getComponentsList();
};

// The factory an extension library exports under this unmangled name.
using PlugbayMakeObjectFunction = PlugbayBaseClass* (*)(QVariant parameters);
