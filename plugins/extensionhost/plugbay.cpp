#include "plugbay.h"

#include "journalexchangeitem.h"
#include "plugbaybaseclass.h"
#include "plugbaycomponentitem.h"
#include "plugbaycomponentsdelegate.h"
#include "plugbaycomponentsmodel.h"
#include "plugbaydebugdevice.h"
#include "plugbaywidget.h"
#include "useritem.h"
#include "xmoduleexports.h"
#include "xwidgetpanel.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentbaseclass.h"

#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLibrary>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTextCodec>
#include <QTimer>

#include <QFileInfo>

#include <cstdio>
#include <exception>
#include <memory>

#ifdef Q_OS_UNIX
#include <dlfcn.h>
#endif

namespace {
const char DESCRIPTION[] = "Extension";
const int MODULE_VERSION = 0x10001;
const int MODULE_INTERFACE_VERSION = 1;

const char EXTENSION_FOLDER[] = "/extension";
const char EXTENSION_INI[] = "/extension/extension.ini";
const char LIB_FILE_NAME_KEY[] = "libFileName";
const char MAKE_OBJECT_SYMBOL[] = "makeObject";

const char INFO_LANGUAGE_KEY[] = "transtale";
const char INFO_DIRS_KEY[] = "dirs";
const char INFO_EXTENSION_DIR_KEY[] = "extension";
const char INFO_CONTENT_DIR_KEY[] = "content";
const char INFO_USERS_KEY[] = "users";

const char WIDGET_ID_KEY[] = "widgetID";
const char COMPONENT_NAME_KEY[] = "componentName";

// The extension's debug stream writes what it cannot show as "\u" and four
// hex digits of UTF-16.
const char ESCAPE_MARKER[] = "\\u";
const int ESCAPE_LENGTH = 6;
const int ESCAPE_MARKER_LENGTH = 2;
const char ESCAPE_CODEC[] = "UTF-16BE";

// The Debug tab keeps the latest lines only; the oldest go first.
const int DEBUG_VIEW_MAX_LINES = 5000;
// Debug text is shown once in this time at most, however fast it comes,
// and after a pause nine times as long as the last showing took: a flood
// takes no more than a tenth of the window's time.
const int DEBUG_PACE_MS = 100;
const int DEBUG_PAUSE_PER_SHOWING = 9;

// The text with each escape written as its character, in one pass however
// many escapes it holds.
QString unescaped(const QString& text)
{
    QTextCodec* codec = QTextCodec::codecForName(ESCAPE_CODEC);
    if (!codec)
        return text;
    const QString marker = QLatin1String(ESCAPE_MARKER);
    QString result;
    result.reserve(text.size());
    int done = 0;
    for (int p = text.indexOf(marker); p >= 0 && p < text.length() - (ESCAPE_LENGTH - 1);
         p = text.indexOf(marker, done)) {
        result += text.midRef(done, p - done);
        const QStringRef digits = text.midRef(p + ESCAPE_MARKER_LENGTH, ESCAPE_LENGTH - ESCAPE_MARKER_LENGTH);
        result += codec->toUnicode(QByteArray::fromHex(digits.toLatin1()));
        done = p + ESCAPE_LENGTH;
    }
    result += text.midRef(done);
    return result;
}

// A symbol looked up in a library is also searched for in what the library
// depends on, and every extension depends on this library, whose own factory
// has the same name: only a factory of the extension file itself counts.
bool isDefinedIn(QFunctionPointer symbol, const QString& fileName)
{
#ifdef Q_OS_UNIX
    Dl_info info;
    if (!dladdr(reinterpret_cast<void*>(symbol), &info) || !info.dli_fname)
        return false;
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalFilePath()
        == QFileInfo(fileName).canonicalFilePath();
#else
    Q_UNUSED(fileName)
    return symbol != nullptr;
#endif
}

PlugbayBaseClass* callFactory(PlugbayMakeObjectFunction makeObject, const QVariant& parameters)
{
    // An outside library must not take the program down with it.
    try {
        return makeObject(parameters);
    } catch (...) {
        return nullptr;
    }
}
}

Plugbay::Plugbay()
    : debugBuffer(new PlugbayDebugDevice)
    , debugView(new QPlainTextEdit)
{
    debugView->setLineWrapMode(QPlainTextEdit::NoWrap);
    debugView->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    debugView->setReadOnly(true);
    debugView->setUndoRedoEnabled(false);
    debugView->setMaximumBlockCount(DEBUG_VIEW_MAX_LINES);
    debugBuffer->open(QIODevice::ReadWrite);
    connect(debugBuffer, SIGNAL(readyRead()), this, SLOT(x_debugBytesRead()));
    m_debugPace = new QTimer(this);
    m_debugPace->setSingleShot(true);
    connect(m_debugPace, &QTimer::timeout, this, &Plugbay::showDebugText);
}

Plugbay::~Plugbay()
{
    // The page goes before the extension it may call on its way out.
    delete extensionPage;
    // Taken down next, while the module still serves it: its clean-up may
    // journal or set values on its way out.
    delete extension;
    extension = nullptr;
    const QList<PlugbayComponentItem*> items = components.values();
    components.clear();
    qDeleteAll(items);
    // The tab stays with the host a little longer than the record it shows.
    if (widget)
        widget->settings = nullptr;
    debugBuffer->deleteLater();
    if (!debugEnabled)
        debugView->deleteLater();
}

void Plugbay::setLinks(QString moduleDir, QString modulesLibDir, QString contentDir)
{
    baseDir = moduleDir;
    this->contentDir = contentDir;
    XModuleBase::setLinks(moduleDir, modulesLibDir, contentDir);
}

void Plugbay::setTranslate(QString language)
{
    translate = language;
    XModuleBase::setTranslate(language);
}

void Plugbay::setXwidgetsPanel(QWidget* panel)
{
    // The host's panel class is the one this library was built from; its own
    // type information cannot confirm that across the two builds.
    XWidgetsPanel = static_cast<XWidgetPanel*>(panel);
}

void Plugbay::setUsersList(void* usersList)
{
    this->usersList = static_cast<QList<UserItem*>*>(usersList);
}

void Plugbay::setMap(QMap<QString, QVariant> map)
{
    storedMap = map;
}

void Plugbay::init()
{
    settings.setMap(storedMap);
    widget = new PlugbayWidget(&settings);
    model = new PlugbayComponentsModel(&components, &settings, this);
    widget->table->setModel(model);
    widget->table->setItemDelegate(new PlugbayComponentsDelegate(&components, this));

    QString error;
    if (!loadExtension(&error)) {
        if (journal)
            journal->add(tr("Extension load error. %1").arg(error), JournalItem::ITEM_LEVEL_CRITICAL);
    } else {
        setAdditionalInfomation();
        bool debugWanted = false;
        callExtension("x_debugIsEnabled", [&] { debugWanted = extension->x_debugIsEnabled(); });
        if (debugWanted) {
            debugEnabled = true;
            auto* page = new QWidget;
            auto* layout = new QHBoxLayout(page);
            layout->addWidget(debugView);
            auto* clear = new QPushButton(tr("Clear"), page);
            layout->addWidget(clear);
            connect(clear, SIGNAL(clicked()), debugView, SLOT(clear()));
            widget->addTab(page, tr("Debug"));
        }
        extension->setParent(this);
        connect(extension, SIGNAL(x_journalAdd_signal(QString, int)), this, SLOT(x_journalAdd(QString, int)));
        connect(extension, SIGNAL(x_componentSetValue_signal(QString, QVariant)), this,
            SLOT(x_componentSetValue(QString, QVariant)));
        connect(extension, SIGNAL(x_componentSetRange_signal(QString, double, double)), this,
            SLOT(x_componentSetRange(QString, double, double)));
        connect(extension, SIGNAL(x_componentSetWritable_signal(QString, bool)), this,
            SLOT(x_componentSetWritable(QString, bool)));
        connect(extension, SIGNAL(x_componentsUpdated()), this, SLOT(x_componentsUpdated()));
        callExtension("x_start", [this] { extension->x_start(); });
    }

    if (extension) {
        QWidget* page = nullptr;
        callExtension("x_getWidget", [&] { page = extension->x_getWidget(); });
        if (page) {
            QString title;
            callExtension("x_widgetName", [&] { title = extension->x_widgetName(); });
            extensionPage = page;
            widget->addTab(page, title);
        }
    }
    widget->loadFromSettings();
    model->update(true);
}

QWidget* Plugbay::getWidget()
{
    return widget;
}

void Plugbay::allLoaded()
{
    if (extension)
        callExtension("x_allLoaded", [this] { extension->x_allLoaded(); });
}

QMap<QString, QVariant> Plugbay::getMap()
{
    // When the extension cannot tell, it gets back next time what it got
    // this time: nothing it saved is lost.
    if (extension) {
        QVariant parameters = settings.extensionParameters;
        callExtension("x_getParameters", [&] { parameters = extension->x_getParameters(); });
        settings.extensionParameters = parameters;
    }
    return settings.getMap();
}

bool Plugbay::loadExtension(QString* error)
{
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };

    // Without a folder of its own the module would look for extension/ at
    // the root of the file system.
    QString libFileName;
    if (!baseDir.isEmpty()) {
        auto ini = std::make_unique<QSettings>(baseDir + QLatin1String(EXTENSION_INI), QSettings::IniFormat);
        ini->sync();
        libFileName = ini->value(QLatin1String(LIB_FILE_NAME_KEY)).toString();
        ini->sync();
    }
    if (libFileName.isEmpty())
        return fail(tr("Parameter 'libFileName' is empty"));

    // Never unloaded: the extension's code runs for the life of the process.
    // Every symbol is bound now: a function the extension needs and this
    // library lacks fails the load, not the program at its first call.
    QLibrary library(baseDir + QLatin1String(EXTENSION_FOLDER) + QLatin1Char('/') + libFileName);
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library.load())
        return fail(tr("Can't load %1 (%2)").arg(library.fileName(), library.errorString()));
    const QFunctionPointer symbol = library.resolve(MAKE_OBJECT_SYMBOL);
    auto makeObject = symbol && isDefinedIn(symbol, library.fileName())
        ? reinterpret_cast<PlugbayMakeObjectFunction>(symbol)
        : nullptr;
    if (!makeObject)
        return fail(tr("Can't call 'makeObject'"));
    extension = callFactory(makeObject, settings.extensionParameters);
    if (!extension)
        return fail(tr("Can't make extension object"));
    callExtension("x_setDebug", [this] { extension->x_setDebug(debugBuffer); });
    return true;
}

void Plugbay::setAdditionalInfomation()
{
    if (!extension)
        return;
    QVariantMap users;
    if (usersList) {
        for (const UserItem* user : qAsConst(*usersList)) {
            users.insert(user->userName,
                QVariantMap {
                    { QStringLiteral("fullName"), user->fullName },
                    { QStringLiteral("post"), user->post },
                    { QStringLiteral("password"), user->password },
                    { QStringLiteral("phone"), user->phone },
                    { QStringLiteral("email"), user->email },
                    { QStringLiteral("icq"), user->icq },
                    { QStringLiteral("jabber"), user->jabber },
                });
        }
    }
    const QVariantMap info {
        { QLatin1String(INFO_LANGUAGE_KEY), translate },
        { QLatin1String(INFO_DIRS_KEY),
            QVariantMap {
                { QLatin1String(INFO_EXTENSION_DIR_KEY), baseDir + QLatin1String(EXTENSION_FOLDER) },
                { QLatin1String(INFO_CONTENT_DIR_KEY), contentDir },
            } },
        { QLatin1String(INFO_USERS_KEY), users },
    };
    callExtension("x_setAdditionInformation", [&] { extension->x_setAdditionInformation(info); });
}

void Plugbay::connectComponent(PlugbayComponentItem* item)
{
    connect(item, SIGNAL(valueUpdatedSignal()), this, SLOT(component_valueUpdated()));
    connect(item, SIGNAL(returnValueUpdatedSignal()), this, SLOT(component_returnValueUpdated()));
    connect(item, SIGNAL(xwidgetComponentConnected(PlugbayComponentItem*)), this,
        SLOT(xwidgetComponentConnected(PlugbayComponentItem*)));
}

void Plugbay::disconnectComponent(PlugbayComponentItem* item)
{
    disconnect(item, SIGNAL(valueUpdatedSignal()), this, SLOT(component_valueUpdated()));
    disconnect(item, SIGNAL(returnValueUpdatedSignal()), this, SLOT(component_returnValueUpdated()));
    disconnect(item, SIGNAL(xwidgetComponentConnected(PlugbayComponentItem*)), this,
        SLOT(xwidgetComponentConnected(PlugbayComponentItem*)));
}

void Plugbay::x_debugBytesRead()
{
    // Text that comes while the pace runs is taken when it ends.
    if (!m_debugPace->isActive())
        showDebugText();
}

void Plugbay::showDebugText()
{
    qint64 dropped = 0;
    QByteArray bytes = debugBuffer->takeAll(&dropped);
    if (bytes.isEmpty() && !dropped)
        return;
    QElapsedTimer showing;
    showing.start();
    QString shown;
    if (!bytes.isEmpty()) {
        const int zero = bytes.indexOf('\0');
        if (zero >= 0)
            bytes.truncate(zero);
        shown = unescaped(QString::fromUtf8(bytes));
    }
    const QString notice = dropped ? tr("[%1 bytes of debug text dropped]").arg(dropped) : QString();
    // A batch that fills the tab alone replaces what it shows at once: the
    // tab would otherwise push its old lines out one by one.
    const int room = DEBUG_VIEW_MAX_LINES - (dropped ? 1 : 0);
    if (shown.count(QLatin1Char('\n')) + 1 >= room) {
        int from = shown.size();
        for (int line = 0; line < room && from >= 0; ++line)
            from = from > 0 ? shown.lastIndexOf(QLatin1Char('\n'), from - 1) : -1;
        shown = shown.mid(from + 1);
        debugView->clear();
    }
    if (dropped)
        debugView->appendPlainText(notice);
    if (!bytes.isEmpty())
        debugView->appendPlainText(shown);
    m_debugPace->start(int(qMax<qint64>(DEBUG_PACE_MS, DEBUG_PAUSE_PER_SHOWING * showing.elapsed())));
}

void Plugbay::x_journalAdd(QString text, int level)
{
    if (!journal || level < JournalItem::ITEM_LEVEL_NONE || level > JournalItem::ITEM_LEVEL_CRITICAL)
        return;
    journal->add(text, JournalItem::ITEM_LEVEL_t(level));
}

void Plugbay::x_componentSetValue(QString name, QVariant value)
{
    if (PlugbayComponentItem* item = components.value(name))
        item->setValue(value, extension);
}

void Plugbay::x_componentSetRange(QString name, double min, double max)
{
    if (PlugbayComponentItem* item = components.value(name))
        item->setRange(min, max);
}

void Plugbay::x_componentSetWritable(QString name, bool writable)
{
    if (PlugbayComponentItem* item = components.value(name))
        item->setWritable(writable);
}

void Plugbay::x_componentsUpdated()
{
    if (!extension)
        return;
    QMap<QString, PlugbayBaseClass::widgetComponentItem_t> list;
    if (!callExtension("x_getComponentsList", [&] { list = extension->x_getComponentsList(); }))
        return;
    model->beginReset();

    for (auto it = components.begin(); it != components.end();) {
        if (list.contains(it.key())) {
            ++it;
            continue;
        }
        PlugbayComponentItem* item = it.value();
        it = components.erase(it);
        disconnectComponent(item);
        item->deleteLater();
    }

    for (auto entry = list.cbegin(); entry != list.cend(); ++entry) {
        const QString& name = entry.key();
        PlugbayComponentItem* item = components.value(name);
        if (item) {
            disconnectComponent(item);
        } else {
            item = new PlugbayComponentItem(journal, nullptr);
            components.insert(name, item);
        }
        item->setter = entry->setter;
        item->extension = extension;
        item->label = entry->label;
        item->setWritable(entry->writable);
        const QVariantMap binding = settings.componentsList[name].toMap();
        item->setWidgetId(binding.value(QLatin1String(WIDGET_ID_KEY)).toString());
        item->setWidgetComponentName(binding.value(QLatin1String(COMPONENT_NAME_KEY)).toString());
        connectComponent(item);
        if (item->xwidgetComponent())
            xwidgetComponentConnected(item);
    }

    model->endReset();
}

void Plugbay::xwidgetComponentConnected(PlugbayComponentItem* item)
{
    const QString name = componentName(item);
    if (!name.isEmpty() && extension)
        callExtension("x_widgetComponentConnected", [&] { extension->x_widgetComponentConnected(name); });
}

void Plugbay::component_valueUpdated()
{
    PlugbayComponentItem* item = senderItem();
    if (!item || !extension)
        return;
    const QString name = componentName(item);
    if (name.isEmpty())
        return;
    if (XWidgetStandartComponent* component = item->xwidgetComponent()) {
        const QVariant value = component->object ? component->object->lastSetValue() : QVariant();
        callExtension("x_componentValueUpdated", [&] { extension->x_componentValueUpdated(name, value); });
    }
    model->update(false);
}

void Plugbay::component_returnValueUpdated()
{
    PlugbayComponentItem* item = senderItem();
    if (!item || !extension)
        return;
    const QString name = componentName(item);
    if (name.isEmpty())
        return;
    XWidgetStandartComponent* component = item->xwidgetComponent();
    if (component && component->setter() == extension) {
        const QVariant value = component->getValue();
        callExtension("x_componentReturnValueUpdated",
            [&] { extension->x_componentReturnValueUpdated(name, value); });
    }
}

bool Plugbay::callExtension(const char* operation, const std::function<void()>& call)
{
    QString reason;
    try {
        call();
        return true;
    } catch (const std::exception& failure) {
        reason = QString::fromLocal8Bit(failure.what());
    } catch (...) {
        reason = tr("unknown exception");
    }
    const QString text = tr("The extension failed in %1 (%2)").arg(QLatin1String(operation), reason);
    if (journal) {
        journal->add(text, JournalItem::ITEM_LEVEL_CRITICAL);
    } else {
        std::fputs(text.toLocal8Bit().constData(), stderr);
        std::fputc('\n', stderr);
    }
    return false;
}

QString Plugbay::componentName(PlugbayComponentItem* item) const
{
    return components.key(item);
}

PlugbayComponentItem* Plugbay::senderItem() const
{
    return qobject_cast<PlugbayComponentItem*>(sender());
}

XMODULE_EXPORTS(Plugbay, DESCRIPTION, MODULE_VERSION, MODULE_INTERFACE_VERSION)
