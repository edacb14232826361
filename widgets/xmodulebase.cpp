#include "xmodulebase.h"

#include <QCoreApplication>
#include <QDir>
#include <QTranslator>

namespace {
const char TRANSLATIONS_FOLDER[] = "lng";
}

XModuleBase::XModuleBase(QObject* parent)
    : QObject(parent)
{
}

void XModuleBase::setLinks(QString moduleDir, QString modulesLibDir, QString contentDir)
{
    Q_UNUSED(modulesLibDir)
    Q_UNUSED(contentDir)
    linkDir = moduleDir;
}

void XModuleBase::setTranslate(QString language)
{
    // A module without a folder of its own has no translations; an empty path
    // would make QDir look in the working directory instead.
    if (linkDir.isEmpty())
        return;
    const QDir dir(linkDir);
    if (!dir.exists(QLatin1String(TRANSLATIONS_FOLDER)))
        return;
    auto* translator = new QTranslator(this);
    if (translator->load(language, dir.filePath(QLatin1String(TRANSLATIONS_FOLDER)))
        && !translator->isEmpty())
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

void XModuleBase::setXwidgetsPanel(QWidget* panel)
{
    Q_UNUSED(panel)
}

void XModuleBase::setSerialPort(QObject* serialPort)
{
    Q_UNUSED(serialPort)
}

void XModuleBase::setUsersList(void* usersList)
{
    Q_UNUSED(usersList)
}

void XModuleBase::setMap(QMap<QString, QVariant> map)
{
    Q_UNUSED(map)
}

void XModuleBase::init() { }

QWidget* XModuleBase::getWidget()
{
    return nullptr;
}

void XModuleBase::allLoaded() { }

QMap<QString, QVariant> XModuleBase::getMap()
{
    return QMap<QString, QVariant>();
}
