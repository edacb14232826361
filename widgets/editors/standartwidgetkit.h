#pragma once

#include <QList>
#include <QString>

class XWidgetStandartComponentSettings;

// Writes and reads a component kit (*.swkit): a set of component records in
// one JSON object keyed "0", "1", ... The list belongs to the caller; records
// that load() appends become the caller's.
class StandartWidgetKit
{
public:
    explicit StandartWidgetKit(QList<XWidgetStandartComponentSettings*>* list);

    bool save(const QString& path);
    bool load(const QString& path);

private:
    QList<XWidgetStandartComponentSettings*>* m_list = nullptr;
};
