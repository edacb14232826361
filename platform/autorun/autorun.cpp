#include "autorun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
const char ENTRY_NAME[] = "Velmora";
const char CONFIG_HOME_VARIABLE[] = "XDG_CONFIG_HOME";

QString configHome()
{
    // Relative values are invalid by the base-directory rules and must be
    // ignored, or the entry would land wherever the program was started.
    const QString fromEnvironment = qEnvironmentVariable(CONFIG_HOME_VARIABLE);
    if (!fromEnvironment.isEmpty() && QDir::isAbsolutePath(fromEnvironment))
        return fromEnvironment;
    return QDir::homePath() + QStringLiteral("/.config");
}
}

QString Autorun::entryPath()
{
    return configHome() + QStringLiteral("/autostart/") + QLatin1String(ENTRY_NAME)
        + QStringLiteral(".desktop");
}

bool Autorun::isOn()
{
    return QFileInfo::exists(entryPath());
}

QString Autorun::execValue(const QString& executablePath)
{
    // Command-line quoting first: inside double quotes the characters
    // " ` $ \ need a backslash, and % would start a field code.
    QString quoted;
    for (const QChar c : executablePath) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    quoted = QLatin1Char('"') + quoted + QLatin1Char('"');

    // Then the desktop-file string escapes, which readers undo before they
    // split the command line.
    QString value;
    for (const QChar c : quoted) {
        if (c == QLatin1Char('\\'))
            value += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            value += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            value += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            value += QStringLiteral("\\r");
        else
            value += c;
    }
    return value;
}

QByteArray Autorun::entryContent(const QString& executablePath)
{
    const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=")
        + QLatin1String(ENTRY_NAME) + QStringLiteral("\nExec=") + execValue(executablePath)
        + QStringLiteral("\n");
    return text.toUtf8();
}

bool Autorun::setOn(const QString& executablePath)
{
    const QString path = entryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    const QByteArray content = entryContent(executablePath);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool Autorun::setOff()
{
    const QString path = entryPath();
    return !QFileInfo::exists(path) || QFile::remove(path);
}
