#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

// The one way the program reads and writes its stored files.
//
// Writes go through QSaveFile, so a failed or interrupted write leaves the old
// file as it was. A stored file that exists but cannot be read (not JSON, cut
// short) is never destroyed by a save: before it would be replaced it is
// moved aside as "<name>.unreadable", so a hand edit with a typo costs no data.
class XStoredFile
{
public:
    // Reads a JSON object file. False when the file does not open, does not
    // parse or is not an object; *map is then left as it was.
    static bool readJsonObject(const QString& path, QVariantMap* map);

    // Writes the map as an indented JSON object document.
    static bool writeJsonObject(const QString& path, const QVariantMap& map);

    // Writes raw bytes; an existing file that fails isReadable() is kept aside.
    static bool write(const QString& path, const QByteArray& data);

    // True when the file is missing or holds a JSON object.
    static bool isReadableOrMissing(const QString& path);

    // Moves an existing unreadable file aside. Returns the name it got, or an
    // empty string when nothing had to be moved (or the move failed).
    static QString keepUnreadable(const QString& path);
};
