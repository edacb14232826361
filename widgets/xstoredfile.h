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
// One that is read but holds values of other types than the program writes is
// read converted, and a byte-identical copy of it is kept as
// "<name>.original" before anything can replace it.
class XStoredFile
{
public:
    // Told of every write that failed: the file and the reason as the system gave it.
    using FailureHandler = std::function<void(const QString& path, const QString& reason)>;

    // Tells whether what a file holds has the types the program writes there.
    using ContentCheck = std::function<bool(const QVariantMap& map)>;

    // How a stored file was found when it was read with a content check.
    enum class Found {
        Missing,
        // It does not open, does not parse or is no object; it is left where it is.
        Unreadable,
        WellTyped,
        // Read, but with values of other types than the program writes there:
        // the caller converts them, and a copy of the file as it was is kept.
        Converted,
    };
    // The JSON type of each member that a stored object may hold.
    using MemberTypes = QHash<QString, QJsonValue::Type>;

    // Permissions of a written file and its kept copies; none means those
    // that the file had, or the usual ones for a new file.
    using Permissions = QFileDevice::Permissions;

    // Reads a JSON object file. False when the file does not open, does not
    // parse or is not an object; *map is then left as it was.
    static bool readJsonObject(const QString& path, QVariantMap* map);

    // As readJsonObject, for a file whose content is checked too. *map is
    // filled when the file is WellTyped or Converted. A Converted file would
    // lose its values of other types at the next save: a byte-identical copy
    // is kept beside it at once (keepCopy) and its name put in *kept (empty
    // when the copy could not be written; that failure is reported).
    static Found readJsonObject(const QString& path, QVariantMap* map, const ContentCheck& check,
        QString* kept, Permissions permissions = {});

    // True when each member of the map that types names has that JSON type;
    // null stands for nothing and fits every type.
    static bool membersHaveTypes(const QVariantMap& map, const MemberTypes& types);

    // Writes the map as an indented JSON object document.
    static bool writeJsonObject(const QString& path, const QVariantMap& map, Permissions permissions = {});

    // Writes what the settings object holds as the INI file at path, in
    // QSettings' own format, through write(). QSettings' own save must never
    // touch a stored file: on a full disk it puts an empty or cut-short file
    // in place of the good one and reports success. The text is made by a
    // QSettings in a scratch folder and checked to be complete first; a file
    // at path that QSettings cannot read is kept aside as by keepUnreadableIni.
    static bool writeIni(const QString& path, const QSettings& settings);

    // Writes raw bytes; an existing file that fails isReadableOrMissing() is
    // kept aside. A failure is also told to the failure handler.
    static bool write(const QString& path, const QByteArray& data, Permissions permissions = {});

    // True when the file is missing or holds a JSON object.
    static bool isReadableOrMissing(const QString& path);

    // Moves an existing unreadable file aside. Returns the name it got, or an
    // empty string when nothing had to be moved (or the move failed).
    static QString keepUnreadable(const QString& path, Permissions permissions = {});

    // Keeps a byte-identical copy of the file beside it as "<name>.original"
    // (numbered when that name is taken), unless one of those copies holds
    // the same bytes already. Returns the copy's name; empty when the file
    // could not be read or the copy not written (the failure is reported).
    // Until a copy is written, the file is not replaced by a save: each save
    // tries the copy again first, and fails when it still cannot be written.
    static QString keepCopy(const QString& path, Permissions permissions = {});

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
    // For files that are written by other means, or not at all.
    static void reportFailure(const QString& path, const QString& reason);
    // True while the last write of some file failed, whoever was told of it:
    // a later write of the same file that succeeds takes its failure back.
    static bool anyWriteFailed();
    static bool hasFailed(const QString& path);

private:
    static QString keepAside(const QString& path, Permissions permissions = {});
    static QString keepCopy(const QString& path, const QByteArray& data, Permissions permissions);
    // Writes the file; an existing one that keepDamaged finds damaged is kept aside first.
    static bool replace(const QString& path, const QByteArray& data, Permissions permissions,
        const std::function<void(const QString& path)>& keepDamaged);
    static void reportSuccess(const QString& path);
};
