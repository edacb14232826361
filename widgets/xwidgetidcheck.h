#pragma once

#include <QCoreApplication>
#include <QString>

// What an operator may give a widget as its ID. A standard widget is stored as
// "<ID>.sw" in its folder, so the ID must be usable there as a file name that
// the loader lists again: not empty, no path separator, no leading dot (a
// hidden file).
class XWidgetIdCheck
{
    Q_DECLARE_TR_FUNCTIONS(XWidgetIdCheck)

public:
    // Why the ID is refused, to be shown to the operator; empty when it is fine.
    static QString refusal(const QString& id);
    static bool isUsable(const QString& id);
};
