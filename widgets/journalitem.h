#pragma once

#include <QDateTime>
#include <QString>

// One journal entry. Plain record; the journal model owns it once posted.
class JournalItem
{
public:
    enum ITEM_LEVEL_t {
        ITEM_LEVEL_NONE = 0,
        ITEM_LEVEL_NORMAL = 1,
        ITEM_LEVEL_WARNING = 2,
        ITEM_LEVEL_CRITICAL = 3
    };

    QDateTime dateTime;
    ITEM_LEVEL_t level = ITEM_LEVEL_NONE;
    QString source;
    QString text;
};
