#pragma once

#include <QString>

// The program's entry in the user's log-on autostart list.
//
// The entry is a desktop file "Velmora.desktop" in the user's autostart
// folder; autorun is on exactly while that file exists.
class Autorun
{
public:
    // "$XDG_CONFIG_HOME/autostart/Velmora.desktop", or under "~/.config" when
    // the variable is unset, empty or not an absolute path.
    static QString entryPath();

    static bool isOn();

    // Writes the entry so that the session starts the given executable.
    static bool setOn(const QString& executablePath);

    // Removes the entry; true when none is left.
    static bool setOff();

    // The entry's "Exec" value for an executable path: quoted for the
    // command line and escaped for a desktop-file string.
    static QString execValue(const QString& executablePath);

    static QByteArray entryContent(const QString& executablePath);
};
