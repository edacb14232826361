#include "xwidgetidcheck.h"

QString XWidgetIdCheck::refusal(const QString& id)
{
    if (id.isEmpty())
        return tr("String is empty");
    if (id.contains(QLatin1Char('/')) || id.contains(QLatin1Char('\\')))
        return tr("ID must not contain / or \\");
    if (id.startsWith(QLatin1Char('.')))
        return tr("ID must not start with a dot");
    return QString();
}

bool XWidgetIdCheck::isUsable(const QString& id)
{
    return refusal(id).isEmpty();
}
