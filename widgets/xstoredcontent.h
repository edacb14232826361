#pragma once

#include <QString>
#include <QVariantMap>

// What the program last read from or wrote to each of its JSON files: a
// fingerprint of the content in its JSON form and the file's stamp then. A
// save can so tell without serialising the content or reading the file that
// the file holds it already; thousands of unchanged widgets make that the
// larger part of an exit.
class XStoredContent
{
public:
    // After the map was read from the file or written to it. A map whose JSON
    // form is not followed (a value of another type than JSON knows) is not
    // remembered.
    static void remember(const QString& path, const QVariantMap& map);
    static void forget(const QString& path);

    // Whether the file, untouched since, still holds the remembered content
    // and that content is the map's.
    static bool stillHolds(const QString& path, const QVariantMap& map);
};
