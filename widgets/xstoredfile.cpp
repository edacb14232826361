#include "xstoredfile.h"

#include "xstoredcontent.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <algorithm>

namespace {
const char UNREADABLE_SUFFIX[] = ".unreadable";
const char ORIGINAL_SUFFIX[] = ".original";
// QSaveFile names its temporary after the file with a dot and six random letters.
const char SAVE_LEFTOVER_SUFFIX_PATTERN[] = "\\.([A-Za-z]{6})";
const char SCRATCH_INI_NAME[] = "settings.ini";
const char SCRATCH_PROBE_NAME[] = "probe.ini";
// What a probe of the scratch folder writes beyond the text that came out cut short.
const int SCRATCH_PROBE_BLOCK = 64 * 1024;

XStoredFile::FailureHandler& failureHandler()
{
    static XStoredFile::FailureHandler handler;
    return handler;
}

// The files whose last write failed.
struct FailedFiles
{
    QMutex mutex;
    QSet<QString> paths;
};

FailedFiles& failedFiles()
{
    static FailedFiles files;
    return files;
}

// Files read converted whose copy could not be written: until it is, the
// file itself is the only record of what it held, and is not replaced.
FailedFiles& uncopiedFiles()
{
    static FailedFiles files;
    return files;
}

bool parseObject(const QByteArray& data, QJsonObject* object)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    *object = document.object();
    return true;
}

// Reads the file as a JSON object into *map, and its bytes into *data when
// asked; false when it does not open, does not parse or is no object.
bool readObject(const QString& path, QVariantMap* map, QByteArray* data)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    QJsonObject object;
    if (!parseObject(bytes, &object))
        return false;
    *map = object.toVariantMap();
    XStoredContent::remember(path, *map);
    if (data)
        *data = bytes;
    return true;
}

// A disk that takes a write in part (a nearly full one) leaves QFileDevice
// without a reason; the rest, written again, fails at once with the system's
// own. The file is opened unbuffered, so every write reaches the system.
bool writeAll(QFileDevice* file, const QByteArray& data)
{
    Q_ASSERT(file->openMode() & QIODevice::Unbuffered);
    qint64 written = 0;
    while (written < data.size()) {
        const qint64 step = file->write(data.constData() + written, data.size() - written);
        if (step <= 0)
            return false;
        written += step;
    }
    return true;
}

// Whether the file holds exactly these bytes. Only a file of the same size is read.
bool holdsExactly(const QString& path, const QByteArray& data)
{
    QFile file(path);
    if (file.size() != data.size() || !file.open(QIODevice::ReadOnly))
        return false;
    return file.readAll() == data;
}

// A file left as it is still gets the rights it is to be written with: an
// older one may have been readable by everyone.
bool narrowedTo(const QString& path, QFileDevice::Permissions permissions)
{
    // The "user" bits only repeat the owner's or others' for the caller.
    const QFileDevice::Permissions userBits = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    if (!permissions || (QFile::permissions(path) & ~userBits) == (permissions & ~userBits))
        return true;
    QFile file(path);
    if (!file.setPermissions(permissions)) {
        XStoredFile::reportFailure(path, file.errorString());
        return false;
    }
    return true;
}

bool isLineBreak(char ch)
{
    return ch == '\n' || ch == '\r';
}

// QSettings' writer escapes line breaks, quotes and backslashes inside values,
// so in a file it wrote every entry ends with its line. A stray quote or a
// backslash at the end of a line makes the reader take the following lines,
// keys and all, as part of one value; QSettings reports no error for that.
bool valueRunsOverLineEnd(const QByteArray& data)
{
    bool inQuotes = false;
    bool inComment = false;
    for (int i = 0; i < data.size(); ++i) {
        const char ch = data.at(i);
        if (isLineBreak(ch)) {
            if (inQuotes)
                return true;
            inComment = false;
        } else if (inComment) {
            continue;
        } else if (ch == '\\') {
            if (i + 1 < data.size() && isLineBreak(data.at(i + 1)))
                return true;
            ++i;
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else if (ch == ';' && !inQuotes) {
            inComment = true;
        }
    }
    return inQuotes;
}

// The elements of an INI value: split at commas outside quotes, trimmed,
// the quotes of a quoted element removed.
QList<QByteArray> valueElements(const QByteArray& value)
{
    QList<QByteArray> elements;
    QByteArray current;
    bool inQuotes = false;
    for (int i = 0; i < value.size(); ++i) {
        const char ch = value.at(i);
        if (ch == '\\' && i + 1 < value.size()) {
            current += ch;
            current += value.at(++i);
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else if (ch == ',' && !inQuotes) {
            elements.append(current.trimmed());
            current.clear();
        } else if (ch == ';' && !inQuotes) {
            break;
        } else {
            current += ch;
        }
    }
    elements.append(current.trimmed());
    return elements;
}

// Typed values are written as "@Type(...)" and a text that starts with "@"
// as "@@...": an element that starts with a single "@" but is no complete
// typed value was cut short (a save or a copy that did not finish) and reads
// back as a plain text in place of its value.
bool hasTypedValueCutShort(const QByteArray& data)
{
    static const QRegularExpression typedValue(
        QStringLiteral("^@[A-Za-z]+\\(.*\\)$"), QRegularExpression::DotMatchesEverythingOption);
    const QList<QByteArray> lines = data.split('\n');
    for (const QByteArray& rawLine : lines) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('['))
            continue;
        const int equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QList<QByteArray> elements = valueElements(line.mid(equals + 1));
        for (const QByteArray& element : elements) {
            if (element.startsWith('@') && !element.startsWith("@@")
                && !typedValue.match(QString::fromLatin1(element)).hasMatch())
                return true;
        }
    }
    return false;
}

// QSettings' writer ends every line, the last one too, with a line feed, and a
// file it read back holds every key: text cut short anywhere fails one of the two.
bool isCompleteIni(const QByteArray& text, const QStringList& keys, const QString& probePath)
{
    if (keys.isEmpty())
        return true;
    if (!text.endsWith('\n'))
        return false;
    QFile probeFile(probePath);
    if (!probeFile.open(QIODevice::WriteOnly) || probeFile.write(text) != text.size() || !probeFile.flush())
        return false;
    probeFile.close();
    // Under a name of its own: QSettings keeps what it parsed of a path, and
    // would answer for the scratch file from memory.
    const QSettings probe(probePath, QSettings::IniFormat);
    QStringList read = probe.allKeys();
    QStringList expected = keys;
    std::sort(read.begin(), read.end());
    std::sort(expected.begin(), expected.end());
    return probe.status() == QSettings::NoError && read == expected;
}

// QSettings does not tell why its save failed: writing as much again in the
// same folder does.
QString scratchFailure(const QString& folder, qint64 writtenSize)
{
    QFile probe(folder + QLatin1Char('/') + QLatin1String(SCRATCH_PROBE_NAME));
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return probe.errorString();
    const QByteArray block(SCRATCH_PROBE_BLOCK, ' ');
    for (qint64 written = 0; written <= writtenSize; written += block.size()) {
        if (!writeAll(&probe, block))
            return probe.errorString();
    }
    return QCoreApplication::translate("XStoredFile", "its new content could not be written completely in %1")
        .arg(QDir::toNativeSeparators(folder));
}

// The text QSettings writes for what the settings hold, made in a scratch
// folder so that the stored file is only ever written by the one writer.
bool iniText(const QSettings& settings, QByteArray* text, QString* reason)
{
    // Keys are relative to an open group: the whole content is wanted.
    Q_ASSERT(settings.group().isEmpty());
    const QTemporaryDir scratch;
    if (!scratch.isValid()) {
        *reason = scratch.errorString();
        return false;
    }
    const QString path = scratch.filePath(QLatin1String(SCRATCH_INI_NAME));
    const QStringList keys = settings.allKeys();
    {
        QSettings copy(path, QSettings::IniFormat);
        for (const QString& key : keys)
            copy.setValue(key, settings.value(key));
        copy.sync();
        if (copy.status() != QSettings::NoError) {
            *reason = scratchFailure(scratch.path(), 0);
            return false;
        }
    }
    QFile file(path);
    const QByteArray written = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (!isCompleteIni(written, keys, scratch.filePath(QLatin1String(SCRATCH_PROBE_NAME)))) {
        *reason = scratchFailure(scratch.path(), written.size());
        return false;
    }
    *text = written;
    return true;
}

// Six letters of one case read as a word that somebody typed ("users.backup"),
// not as the random mixed-case suffix of QSaveFile: such files are left alone.
bool isWordSuffix(const QString& suffix)
{
    return suffix == suffix.toLower() || suffix == suffix.toUpper();
}
}

bool XStoredFile::readJsonObject(const QString& path, QVariantMap* map)
{
    return readObject(path, map, nullptr);
}

XStoredFile::Found XStoredFile::readJsonObject(
    const QString& path, QVariantMap* map, const ContentCheck& check, QString* kept, Permissions permissions)
{
    if (kept)
        kept->clear();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return Found::Missing;
    QByteArray data;
    if (!readObject(path, map, &data))
        return Found::Unreadable;
    if (check(*map))
        return Found::WellTyped;
    const QString copy = keepCopy(path, data, permissions);
    if (kept)
        *kept = copy;
    return Found::Converted;
}

bool XStoredFile::membersHaveTypes(const QVariantMap& map, const MemberTypes& types)
{
    for (auto it = types.cbegin(); it != types.cend(); ++it) {
        const auto member = map.constFind(it.key());
        if (member == map.cend())
            continue;
        const QJsonValue::Type type = QJsonValue::fromVariant(member.value()).type();
        if (type != it.value() && type != QJsonValue::Null)
            return false;
    }
    return true;
}

bool XStoredFile::isReadableOrMissing(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QJsonObject object;
    return parseObject(file.readAll(), &object);
}

bool XStoredFile::isReadableIniOrMissing(
    const QString& path, const std::function<bool(const QSettings& settings)>& check)
{
    const QFileInfo info(path);
    if (!info.exists())
        return true;
    if (info.isDir())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    file.close();
    // An empty file holds nothing that a save could destroy.
    if (data.trimmed().isEmpty())
        return true;
    if (valueRunsOverLineEnd(data) || hasTypedValueCutShort(data))
        return false;
    // QSettings keeps what it parsed of a path for later objects on that path
    // and may take a rewritten file for the one it knows: a copy under a
    // fresh name is always read.
    QTemporaryFile copy;
    if (!copy.open() || copy.write(data) != data.size() || !copy.flush())
        return true;
    QSettings probe(copy.fileName(), QSettings::IniFormat);
    // Sections are parsed when first used: allKeys() makes QSettings read all.
    probe.allKeys();
    return probe.status() == QSettings::NoError && (!check || check(probe));
}

QString XStoredFile::keepAside(const QString& path, Permissions permissions)
{
    // Never overwrite an earlier kept copy: number the later ones.
    QString target = path + QLatin1String(UNREADABLE_SUFFIX);
    for (int n = 1; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = path + QLatin1String(UNREADABLE_SUFFIX) + QLatin1Char('.') + QString::number(n);
    // QDir::rename: a folder in the place of the file is moved aside as well.
    if (!QDir().rename(path, target))
        return QString();
    if (permissions && QFileInfo(target).isFile())
        QFile::setPermissions(target, permissions);
    return target;
}

QString XStoredFile::keepUnreadable(const QString& path, Permissions permissions)
{
    if (isReadableOrMissing(path))
        return QString();
    return keepAside(path, permissions);
}

QString XStoredFile::keepCopy(const QString& path, Permissions permissions)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reportFailure(path + QLatin1String(ORIGINAL_SUFFIX), file.errorString());
        QMutexLocker lock(&uncopiedFiles().mutex);
        uncopiedFiles().paths.insert(path);
        return QString();
    }
    return keepCopy(path, file.readAll(), permissions);
}

QString XStoredFile::keepCopy(const QString& path, const QByteArray& data, Permissions permissions)
{
    // A file met again unchanged (the program did not get to save it) has its copy already.
    const QString base = path + QLatin1String(ORIGINAL_SUFFIX);
    QString target = base;
    bool kept = false;
    for (int n = 1; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n) {
        if (QFileInfo(target).isFile() && !QFileInfo(target).isSymLink() && holdsExactly(target, data)) {
            kept = narrowedTo(target, permissions);
            break;
        }
        target = base + QLatin1Char('.') + QString::number(n);
    }
    if (!kept)
        kept = write(target, data, permissions);
    QMutexLocker lock(&uncopiedFiles().mutex);
    if (kept)
        uncopiedFiles().paths.remove(path);
    else
        uncopiedFiles().paths.insert(path);
    return kept ? target : QString();
}

QString XStoredFile::keepUnreadableIni(
    const QString& path, const std::function<bool(const QSettings& settings)>& check)
{
    if (isReadableIniOrMissing(path, check))
        return QString();
    return keepAside(path);
}

QStringList XStoredFile::removeSaveLeftovers(const QString& folder, const QString& storedNameWildcard)
{
    QStringList literalParts = storedNameWildcard.split(QLatin1Char('*'));
    for (QString& part : literalParts)
        part = QRegularExpression::escape(part);
    const QRegularExpression storedName(QStringLiteral("^(") + literalParts.join(QStringLiteral(".*"))
        + QStringLiteral(")") + QLatin1String(SAVE_LEFTOVER_SUFFIX_PATTERN) + QStringLiteral("$"));
    QStringList removed;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink() || !entry.isFile())
            continue;
        const QRegularExpressionMatch match = storedName.match(entry.fileName());
        if (!match.hasMatch() || isWordSuffix(match.captured(2)))
            continue;
        if (QFile::remove(entry.filePath()))
            removed.append(entry.fileName());
    }
    return removed;
}

bool XStoredFile::write(const QString& path, const QByteArray& data, Permissions permissions)
{
    return replace(path, data, permissions,
        [permissions](const QString& damaged) { keepUnreadable(damaged, permissions); });
}

bool XStoredFile::replace(const QString& path, const QByteArray& data, Permissions permissions,
    const std::function<void(const QString& path)>& keepDamaged)
{
    // Rewriting what is there already would cost a sync to disk per file and
    // a new time stamp on every file at every exit, for nothing.
    if (holdsExactly(path, data)) {
        if (!narrowedTo(path, permissions))
            return false;
        reportSuccess(path);
        return true;
    }
    bool uncopied = false;
    {
        QMutexLocker lock(&uncopiedFiles().mutex);
        uncopied = uncopiedFiles().paths.contains(path);
    }
    if (uncopied && keepCopy(path, permissions).isEmpty()) {
        reportFailure(path,
            QCoreApplication::translate("XStoredFile", "the file as it was could not be kept beside it yet"));
        return false;
    }
    XStoredContent::forget(path);
    keepDamaged(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        reportFailure(path, file.errorString());
        return false;
    }
    // Set on the temporary before it holds anything; the rename keeps them.
    if (permissions && !file.setPermissions(permissions)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        reportFailure(path, reason);
        return false;
    }
    // commit() does not see a failed flush of buffered bytes (a full disk):
    // it would put a cut-short file in place of the good one. Unbuffered,
    // every write is checked here.
    if (!writeAll(&file, data) || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        reportFailure(path, reason);
        return false;
    }
    if (!file.commit()) {
        reportFailure(path, file.errorString());
        return false;
    }
    reportSuccess(path);
    return true;
}

bool XStoredFile::writeJsonObject(const QString& path, const QVariantMap& map, Permissions permissions)
{
    // A file known to hold the content already is neither serialised again
    // nor read: with thousands of unchanged widgets that is most of an exit.
    if (XStoredContent::stillHolds(path, map)) {
        if (!narrowedTo(path, permissions))
            return false;
        reportSuccess(path);
        return true;
    }
    if (!write(
            path, QJsonDocument(QJsonObject::fromVariantMap(map)).toJson(QJsonDocument::Indented), permissions)) {
        XStoredContent::forget(path);
        return false;
    }
    XStoredContent::remember(path, map);
    return true;
}

bool XStoredFile::writeIni(const QString& path, const QSettings& settings)
{
    QByteArray text;
    QString reason;
    if (!iniText(settings, &text, &reason)) {
        reportFailure(path, reason);
        return false;
    }
    return replace(path, text, {}, [](const QString& damaged) { keepUnreadableIni(damaged); });
}

void XStoredFile::setFailureHandler(FailureHandler handler)
{
    failureHandler() = std::move(handler);
}

void XStoredFile::reportFailure(const QString& path, const QString& reason)
{
    {
        QMutexLocker lock(&failedFiles().mutex);
        failedFiles().paths.insert(path);
    }
    if (failureHandler())
        failureHandler()(path, reason);
}

void XStoredFile::reportSuccess(const QString& path)
{
    QMutexLocker lock(&failedFiles().mutex);
    failedFiles().paths.remove(path);
}

bool XStoredFile::anyWriteFailed()
{
    QMutexLocker lock(&failedFiles().mutex);
    return !failedFiles().paths.isEmpty();
}

bool XStoredFile::hasFailed(const QString& path)
{
    QMutexLocker lock(&failedFiles().mutex);
    return failedFiles().paths.contains(path);
}
