#include "journalexchangeitem.h"

JournalExchangeItem::JournalExchangeItem(QString source)
    : QObject(nullptr)
    , source(source)
{
}

void JournalExchangeItem::add(QString text, JournalItem::ITEM_LEVEL_t level)
{
    // The receiver takes ownership; with nobody listening the item would leak.
    // Looked up by signature: a module library runs its own copy of this code
    // on the host's object, whose meta-object is the host's.
    if (receivers(SIGNAL(addSignal(JournalItem*))) == 0)
        return;
    auto* item = new JournalItem;
    item->dateTime = QDateTime::currentDateTime();
    item->level = level;
    item->source = source;
    item->text = text;
    emit addSignal(item);
}
