#include "xmodule.h"

#include "appglobals.h"
#include "journalexchangeitem.h"
#include "journalmodel.h"
#include "xmodulebase.h"
#include "xmodulesettings.h"
#include "xserialport.h"
#include "xstoredfile.h"
#include "xwidgetpanel.h"
#include "xwidgetsglobals.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibrary>
#include <QTabWidget>

namespace {
const char MODULES_FOLDER[] = "modules";
const char MODULES_LIB_FOLDER[] = "modules_lib";
const char MODULE_FILE_SUFFIX[] = ".xmodule";
const char MODULE_DIR_SUFFIX[] = "Dir";
const char ICON_FILE[] = "icon.png";
const char WARNINGS_SEPARATOR[] = "; ";
const int SUPPORTED_QT_MAJOR_VERSION = 5;
// Packed versions: (major << 16) + (minor << 8) + patch.
const int VERSION_MAJOR_SHIFT = 16;
const int VERSION_MINOR_SHIFT = 8;
const int VERSION_PART_MASK = 0xff;

QString appDir()
{
    return QCoreApplication::applicationDirPath();
}

QString modulesLibDir()
{
    return appDir() + QLatin1Char('/') + QLatin1String(MODULES_LIB_FOLDER);
}

QString moduleDir(const QString& libName)
{
    return modulesLibDir() + QLatin1Char('/') + libName + QLatin1String(MODULE_DIR_SUFFIX);
}

}

XModule::XModule(QString name, QTabWidget* tabs)
    : QObject(tabs)
    , settings(new XModuleSettings)
    , m_storedName(name)
{
    setObjectName(name);
    // The journal names a module as the operator knows it now.
    connect(this, &QObject::objectNameChanged, this, [this](const QString& newName) {
        if (moduleObject && moduleObject->journal)
            moduleObject->journal->source = newName;
    });
    loadFile(filePath(name));
    qDebug() << "Loading module" << name << settings->libName;

    library = new QLibrary(modulesLibDir() + QLatin1Char('/') + settings->libName, this);
    QString error;
    QStringList warnings;
    if (library->load() && initLibrary(&error, &warnings)) {
        widget = moduleObject->getWidget();
        if (widget) {
            const QIcon icon(iconPath(settings->libName));
            const int index = tabs->addTab(widget, icon, name);
            QString toolTip = settings->libName;
            auto getVersion = reinterpret_cast<XModuleGetVersionFunction>(library->resolve("getVersion"));
            if (getVersion) {
                const int version = getVersion();
                toolTip += tr(" (Version %1.%2.%3)")
                               .arg(versionMajor(version))
                               .arg(versionMinor(version))
                               .arg(versionPatch(version));
            }
            tabs->setTabToolTip(index, toolTip);
        }
        if (!warnings.isEmpty() && XMainJournalItem) {
            XMainJournalItem->add(
                tr("Module <%1> Warnings: %2").arg(name, warnings.join(QLatin1String(WARNINGS_SEPARATOR))),
                JournalItem::ITEM_LEVEL_WARNING);
        }
        return;
    }
    if (XMainJournalItem)
        XMainJournalItem->add(
            tr("Module <%1> load error. %2").arg(name, error), JournalItem::ITEM_LEVEL_CRITICAL);
    library->deleteLater();
    library = nullptr;
}

XModule::~XModule()
{
    XModulesList.removeOne(this);
    if (moduleObject) {
        settings->libSettings = moduleObject->getMap();
        // At exit the event loop has ended: a deferred deletion would never
        // run, and with it neither the module's own clean-up.
        delete moduleObject;
        moduleObject = nullptr;
    }
    const bool saved = saveFile(filePath(objectName()));
    if (!saved)
        qDebug() << "File open error";
    // The name reported is the file the main window keeps: after a failed
    // save that is the file the module was loaded from.
    if (!removeMark)
        emit normalDestroyed(saved ? objectName() : m_storedName);
    delete settings;
}

bool XModule::initLibrary(QString* error, QStringList* warnings)
{
    auto getQtVersion = reinterpret_cast<XModuleGetQtVersionFunction>(library->resolve("getQtVersion"));
    if (!getQtVersion) {
        *error = tr("Can't get Qt version");
        return false;
    }
    // The host takes its own build's Qt as the reference: a library built
    // against a newer one, or another major version, cannot share its objects.
    const int version = getQtVersion();
    if (version != QT_VERSION) {
        if (versionMajor(version) != SUPPORTED_QT_MAJOR_VERSION || version > QT_VERSION) {
            *error = tr("Incompatible Qt version");
            return false;
        }
        const QString warning = QStringLiteral("Qt version of library is %1.%2.%3")
                                    .arg(versionMajor(version))
                                    .arg(versionMinor(version))
                                    .arg(versionPatch(version));
        qDebug() << "WARNING!" << warning;
        warnings->append(warning);
    }

    auto makeObject = reinterpret_cast<XModuleMakeObjectFunction>(library->resolve("makeObject"));
    moduleObject = makeObject ? makeObject() : nullptr;
    if (!moduleObject) {
        *error = tr("Can't load object");
        return false;
    }

    const QString ownDir = moduleDir(settings->libName);
    moduleObject->setLinks(QFileInfo(ownDir).isDir() ? ownDir : QString(), modulesLibDir(),
        appDir() + QStringLiteral("/content/"));
    moduleObject->setTranslate(XLanguage);
    moduleObject->journal = new JournalExchangeItem(objectName());
    if (XJournalModel)
        XJournalModel->addSource(moduleObject->journal);
    moduleObject->setXwidgetsPanel(XWidgetsPanel);
    moduleObject->setSerialPort(XSerialPortCommon);
    moduleObject->setUsersList(&XUsersList);
    moduleObject->setMap(settings->libSettings);
    moduleObject->init();
    return true;
}

void XModule::loadFile(const QString& path)
{
    QVariantMap map;
    if (XStoredFile::readJsonObject(path, &map))
        settings->setMap(map);
}

bool XModule::saveFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    // The first module of a fresh installation has no folder to be saved in yet.
    QDir().mkpath(QFileInfo(path).absolutePath());
    return XStoredFile::writeJsonObject(path, settings->map());
}

bool XModule::save()
{
    if (removeMark)
        return true;
    if (moduleObject)
        settings->libSettings = moduleObject->getMap();
    return saveFile(filePath(m_storedName));
}

QString XModule::filePath(const QString& name)
{
    if (!isValidName(name))
        return QString();
    return appDir() + QLatin1Char('/') + QLatin1String(MODULES_FOLDER) + QLatin1Char('/') + name
        + QLatin1String(MODULE_FILE_SUFFIX);
}

QString XModule::iconPath(const QString& libName)
{
    return moduleDir(libName) + QLatin1Char('/') + QLatin1String(ICON_FILE);
}

int XModule::versionMajor(int version)
{
    return version >> VERSION_MAJOR_SHIFT;
}

int XModule::versionMinor(int version)
{
    return (version >> VERSION_MINOR_SHIFT) & VERSION_PART_MASK;
}

int XModule::versionPatch(int version)
{
    return version & VERSION_PART_MASK;
}

QString XModule::nameRefusal(const QString& name)
{
    if (name.isEmpty())
        return tr("Name is empty");
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return tr("Name must not contain / or \\");
    if (name.startsWith(QLatin1Char('.')))
        return tr("Name must not start with a dot");
    return QString();
}

bool XModule::isValidName(const QString& name)
{
    return nameRefusal(name).isEmpty();
}

void XModule::allLoaded()
{
    if (moduleObject)
        moduleObject->allLoaded();
}
