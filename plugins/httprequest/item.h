#pragma once

#include <QString>

// One named request of the module's table. The type travels with the other
// fields so that stored tables keep it; nothing acts on it.
struct Item
{
    QString name;
    QString request;
    QString comment;
    int type = 0;
};
