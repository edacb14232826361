#include "standartwidgetkit.h"

#include "xstoredfile.h"
#include "xwidgetstandartcomponentsettings.h"

#include <QVariantMap>

StandartWidgetKit::StandartWidgetKit(QList<XWidgetStandartComponentSettings*>* list)
    : m_list(list)
{
}

bool StandartWidgetKit::save(const QString& path)
{
    if (m_list->isEmpty() || path.isEmpty())
        return false;
    QVariantMap map;
    for (int i = 0; i < m_list->size(); ++i)
        map.insert(QString::number(i), m_list->at(i)->getMap());
    // Atomic: a kit that cannot be written completely leaves the old one as it was.
    return XStoredFile::writeJsonObject(path, map);
}

bool StandartWidgetKit::load(const QString& path)
{
    if (!m_list->isEmpty() || path.isEmpty())
        return false;
    QVariantMap map;
    if (!XStoredFile::readJsonObject(path, &map))
        return false;

    // Every entry is checked before any record is made: a damaged kit gives
    // nothing rather than part of itself.
    QList<QVariantMap> entries;
    for (int i = 0;; ++i) {
        const auto it = map.constFind(QString::number(i));
        if (it == map.constEnd())
            break;
        if (it.value().type() != QVariant::Map)
            return false;
        entries.append(it.value().toMap());
    }

    for (const QVariantMap& entry : qAsConst(entries)) {
        auto* record = new XWidgetStandartComponentSettings;
        record->setMap(entry);
        m_list->append(record);
    }
    // A kit never refers to components outside itself.
    for (XWidgetStandartComponentSettings* record : qAsConst(*m_list)) {
        if (record->connectToComponent.isEmpty())
            continue;
        bool inKit = false;
        for (XWidgetStandartComponentSettings* other : qAsConst(*m_list))
            inKit = inKit || (other != record && other->name == record->connectToComponent);
        if (!inKit)
            record->connectToComponent.clear();
    }
    return true;
}
