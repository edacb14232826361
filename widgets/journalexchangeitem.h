#pragma once

#include "journalitem.h"

#include <QObject>
#include <QString>

// A source's channel into the journal. Its layout and meta-object are shared
// with the module libraries, which call add() with their own copy of this code.
class JournalExchangeItem : public QObject
{
    Q_OBJECT

public:
    explicit JournalExchangeItem(QString source);

    void add(QString text, JournalItem::ITEM_LEVEL_t level);

    QString source;

signals:
    void addSignal(JournalItem* item);
};
