#pragma once

#include <QMap>
#include <QString>
#include <QVariant>
#include <QtGlobal>

#if defined(SCRIPT_CONFIG_LIBRARY)
#define SCRIPT_CONFIG_EXPORT Q_DECL_EXPORT
#else
#define SCRIPT_CONFIG_EXPORT Q_DECL_IMPORT
#endif

class QScriptEngine;

// Prepares a standard widget's script engine. This build adds nothing to the
// engine; it keeps the properties the host hands over and, under the logging
// category "script_config", reports each engine it configures with them.
class SCRIPT_CONFIG_EXPORT LibScriptConfig
{
public:
    LibScriptConfig();

    void setProperties(QMap<QString, QVariant> properties);
    void config(QScriptEngine* engine);

    QMap<QString, QVariant> properties() const;

private:
    QMap<QString, QVariant> m_properties;
};
