#include "xstoredcontent.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include <cstring>

#include <sys/stat.h>

namespace {
struct KnownContent
{
    quint64 fingerprint = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 metadataChangedNs = 0;
};

struct KnownFiles
{
    QMutex mutex;
    QHash<QString, KnownContent> contents;
};

KnownFiles& knownFiles()
{
    static KnownFiles files;
    return files;
}

// Largest integer that a double holds exactly: beyond it two integers could
// share a fingerprint although their JSON texts differ.
const qint64 EXACT_DOUBLE_INTEGER = qint64(1) << 53;

const quint64 FNV_OFFSET_BASIS = 14695981039346656037ULL;
const quint64 FNV_PRIME = 1099511628211ULL;

// FNV-1a, a whole value or character per step.
void mix(quint64* hash, quint64 value)
{
    *hash = (*hash ^ value) * FNV_PRIME;
    *hash ^= *hash >> 29;
}

void mixText(quint64* hash, const QString& text)
{
    mix(hash, quint64(text.size()));
    const ushort* unit = text.utf16();
    for (int i = 0; i < text.size(); ++i)
        *hash = (*hash ^ unit[i]) * FNV_PRIME;
}

void mixNumber(quint64* hash, double number)
{
    quint64 bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    mix(hash, bits);
}

// Folds the value as QJsonValue::fromVariant would write it: numbers of any
// type alike, a text list as an array. False for a value whose JSON form is
// not followed here; the file is then compared the long way.
bool mixJsonForm(quint64* hash, const QVariant& value)
{
    enum Tag : quint64 { Null = 1, False, True, Number, Text, Array, Object };
    static_assert(sizeof(double) == sizeof(quint64), "numbers are folded by their bits");
    switch (value.userType()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        mix(hash, Null);
        return true;
    case QMetaType::Bool:
        mix(hash, value.toBool() ? True : False);
        return true;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        double number = 0;
        if (value.userType() == QMetaType::UInt || value.userType() == QMetaType::ULongLong) {
            const quint64 integer = value.toULongLong();
            if (integer > quint64(EXACT_DOUBLE_INTEGER))
                return false;
            number = double(integer);
        } else {
            const qint64 integer = value.toLongLong();
            if (integer < -EXACT_DOUBLE_INTEGER || integer > EXACT_DOUBLE_INTEGER)
                return false;
            number = double(integer);
        }
        mix(hash, Number);
        mixNumber(hash, number);
        return true;
    }
    case QMetaType::Double: {
        const double number = value.toDouble();
        if (!qIsFinite(number))
            return false;
        mix(hash, Number);
        mixNumber(hash, number);
        return true;
    }
    case QMetaType::QString:
        mix(hash, Text);
        mixText(hash, value.toString());
        return true;
    case QMetaType::QStringList: {
        const QStringList list = value.toStringList();
        mix(hash, Array);
        mix(hash, quint64(list.size()));
        for (const QString& text : list) {
            mix(hash, Text);
            mixText(hash, text);
        }
        return true;
    }
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        mix(hash, Array);
        mix(hash, quint64(list.size()));
        for (const QVariant& element : list) {
            if (!mixJsonForm(hash, element))
                return false;
        }
        return true;
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        mix(hash, Object);
        mix(hash, quint64(map.size()));
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            mixText(hash, it.key());
            if (!mixJsonForm(hash, it.value()))
                return false;
        }
        return true;
    }
    default:
        return false;
    }
}

// The content's fingerprint, or false when its JSON form is not followed.
bool fingerprint(const QVariantMap& map, quint64* result)
{
    quint64 hash = FNV_OFFSET_BASIS;
    if (!mixJsonForm(&hash, map))
        return false;
    *result = hash;
    return true;
}

qint64 nanoseconds(const struct timespec& time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

// The file's stamp: what changes whenever anybody writes it. Taken from
// stat() itself: QFileInfo's times are local QDateTimes, and each conversion
// has the C library look at the time zone file again, several times per file
// at every exit.
bool stampOf(const QString& path, KnownContent* known)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    known->size = status.st_size;
    known->modifiedNs = nanoseconds(status.st_mtim);
    known->metadataChangedNs = nanoseconds(status.st_ctim);
    return true;
}

}

void XStoredContent::remember(const QString& path, const QVariantMap& map)
{
    KnownContent known;
    const bool followed = fingerprint(map, &known.fingerprint) && stampOf(path, &known);
    QMutexLocker lock(&knownFiles().mutex);
    if (followed)
        knownFiles().contents.insert(path, known);
    else
        knownFiles().contents.remove(path);
}

void XStoredContent::forget(const QString& path)
{
    QMutexLocker lock(&knownFiles().mutex);
    knownFiles().contents.remove(path);
}

bool XStoredContent::stillHolds(const QString& path, const QVariantMap& map)
{
    KnownContent known;
    {
        QMutexLocker lock(&knownFiles().mutex);
        const auto it = knownFiles().contents.constFind(path);
        if (it == knownFiles().contents.cend())
            return false;
        known = *it;
    }
    quint64 current = 0;
    KnownContent now;
    return fingerprint(map, &current) && current == known.fingerprint && stampOf(path, &now)
        && now.size == known.size && now.modifiedNs == known.modifiedNs
        && now.metadataChangedNs == known.metadataChangedNs;
}
