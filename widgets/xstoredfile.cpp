#include "xstoredfile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSaveFile>

namespace {
const char UNREADABLE_SUFFIX[] = ".unreadable";

bool parseObject(const QByteArray& data, QJsonObject* object)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    *object = document.object();
    return true;
}
}

bool XStoredFile::readJsonObject(const QString& path, QVariantMap* map)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QJsonObject object;
    if (!parseObject(file.readAll(), &object))
        return false;
    *map = object.toVariantMap();
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

QString XStoredFile::keepUnreadable(const QString& path)
{
    if (isReadableOrMissing(path))
        return QString();
    // Never overwrite an earlier kept copy: number the later ones.
    QString target = path + QLatin1String(UNREADABLE_SUFFIX);
    for (int n = 1; QFileInfo::exists(target); ++n)
        target = path + QLatin1String(UNREADABLE_SUFFIX) + QLatin1Char('.') + QString::number(n);
    return QFile::rename(path, target) ? target : QString();
}

bool XStoredFile::write(const QString& path, const QByteArray& data)
{
    keepUnreadable(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // commit() does not see a failed flush of the last buffered bytes (a full
    // disk): it would put a cut-short file in place of the good one.
    if (file.write(data) != data.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool XStoredFile::writeJsonObject(const QString& path, const QVariantMap& map)
{
    return write(path, QJsonDocument(QJsonObject::fromVariantMap(map)).toJson(QJsonDocument::Indented));
}
