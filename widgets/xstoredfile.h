#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QHash>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class QSettings;

// The one way the program reads and writes its stored files.
//
// Writes go through QSaveFile, so a failed or interrupted write leaves the old
// file as it was. A stored file that exists but cannot be read (not JSON, cut
// short) is never destroyed by a save: before it would be replaced it is
// moved aside as "<name>.unreadable", so a hand edit with a typo costs no data.
class XStoredFile
{
public:
    // Told of every write that failed: the file and the reason as the system gave it.
    using FailureHandler = std::function<void(const QString& path, const QString& reason)>;

    // Tells whether what a file holds has the types the program writes there.
    using ContentCheck = std::function<bool(const QVariantMap& map)>;
    // The JSON type of each member that a stored object may hold.
    using MemberTypes = QHash<QString, QJsonValue::Type>;

    // Permissions of a written file and its kept copies; none means those
    // that the file had, or the usual ones for a new file.
    using Permissions = QFileDevice::Permissions;

    // Reads a JSON object file. False when the file does not open, does not
    // parse or is not an object; *map is then left as it was.
    static bool readJsonObject(const QString& path, QVariantMap* map);

    // As readJsonObject, for a file whose content must pass the check too. A
    // file that parses but fails it would be read in part and lose the rest
    // at the next save: it is kept aside at once, its new name put in *kept,
    // and false returned.
    static bool readJsonObject(const QString& path, QVariantMap* map, const ContentCheck& check,
        QString* kept, Permissions permissions = {});

    // True when each member of the map that types names has that JSON type;
    // null stands for nothing and fits every type.
    static bool membersHaveTypes(const QVariantMap& map, const MemberTypes& types);

    // Writes the map as an indented JSON object document.
    static bool writeJsonObject(const QString& path, const QVariantMap& map, Permissions permissions = {});

    // Writes raw bytes; an existing file that fails isReadableOrMissing() is
    // kept aside. A failure is also told to the failure handler.
    static bool write(const QString& path, const QByteArray& data, Permissions permissions = {});

    // True when the file is missing or holds a JSON object.
    static bool isReadableOrMissing(const QString& path);

    // Moves an existing unreadable file aside. Returns the name it got, or an
    // empty string when nothing had to be moved (or the move failed).
    static QString keepUnreadable(const QString& path, Permissions permissions = {});

    // True when the INI file is missing, empty, or read by QSettings without
    // error and free of what QSettings' own writer never produces (a value
    // running on over the end of its line, a typed value cut short), and what
    // it holds passes the check when one is given.
    static bool isReadableIniOrMissing(
        const QString& path, const std::function<bool(const QSettings& settings)>& check = {});

    // As keepUnreadable, for an INI file (or whatever stands in its place);
    // one that QSettings reads but that fails the check counts as unreadable.
    static QString keepUnreadableIni(
        const QString& path, const std::function<bool(const QSettings& settings)>& check = {});

    // Removes the temporaries that QSaveFile leaves beside a file when the
    // program is killed during a save ("<name>.XXXXXX"), for the stored files
    // of the folder whose names match the wildcard. Returns the removed names.
    static QStringList removeSaveLeftovers(const QString& folder, const QString& storedNameWildcard);

    static void setFailureHandler(FailureHandler handler);
    // For files that are written by other means (QSettings).
    static void reportFailure(const QString& path, const QString& reason);
    // True once a write has failed in this process, whoever was told of it.
    static bool anyWriteFailed();

private:
    static QString keepAside(const QString& path, Permissions permissions = {});
};
