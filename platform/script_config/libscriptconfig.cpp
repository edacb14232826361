#include "libscriptconfig.h"

LibScriptConfig::LibScriptConfig() = default;

void LibScriptConfig::setProperties(QMap<QString, QVariant> properties)
{
    m_properties = properties;
}

void LibScriptConfig::config(QScriptEngine* engine)
{
    Q_UNUSED(engine)
}

QMap<QString, QVariant> LibScriptConfig::properties() const
{
    return m_properties;
}
