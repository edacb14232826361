#include "libscriptconfig.h"

#include <QDebug>
#include <QLoggingCategory>
#include <QScriptEngine>

namespace {
// Off unless enabled ("script_config.debug=true"): tells which engine was
// prepared with what, when a script behaves differently than its author expects.
Q_LOGGING_CATEGORY(lcScriptConfig, "script_config", QtWarningMsg)
}

LibScriptConfig::LibScriptConfig() = default;

void LibScriptConfig::setProperties(QMap<QString, QVariant> properties)
{
    m_properties = properties;
}

void LibScriptConfig::config(QScriptEngine* engine)
{
    qCDebug(lcScriptConfig) << "configuring" << engine << "with" << m_properties;
}

QMap<QString, QVariant> LibScriptConfig::properties() const
{
    return m_properties;
}
