#pragma once

#include <QLatin1String>
#include <QString>
#include <QtGlobal>

class XModuleBase;

// The functions the host resolves by name in a module library. Every module
// library states them once, at file scope of one of its sources:
//     XMODULE_EXPORTS(Webquery, "HTTP request", 0x10001, 1)
// getQtVersion reports the Qt the library was really built against, which is
// what the host compares with its own build.
#define XMODULE_EXPORTS(ModuleClass, descriptionText, moduleVersion, moduleInterfaceVersion)                 \
    extern "C" Q_DECL_EXPORT int getQtVersion()                                                              \
    {                                                                                                        \
        return QT_VERSION;                                                                                   \
    }                                                                                                        \
    extern "C" Q_DECL_EXPORT XModuleBase* makeObject()                                                       \
    {                                                                                                        \
        return new ModuleClass;                                                                              \
    }                                                                                                        \
    extern "C" Q_DECL_EXPORT int getVersion()                                                                \
    {                                                                                                        \
        return moduleVersion;                                                                                \
    }                                                                                                        \
    extern "C" Q_DECL_EXPORT QString description()                                                           \
    {                                                                                                        \
        return QLatin1String(descriptionText);                                                               \
    }                                                                                                        \
    extern "C" Q_DECL_EXPORT int getModuleVersion()                                                          \
    {                                                                                                        \
        return moduleInterfaceVersion;                                                                       \
    }
