#include "fakeopener.h"

#include <QCoreApplication>
#include <QFile>

namespace {
const char OPENER_NAME[] = "xdg-open";
const char LOG_NAME[] = "opened";
}

FakeOpener::FakeOpener(int exitStatus)
    : m_dir(QCoreApplication::applicationDirPath() + QStringLiteral("/opener-XXXXXX"))
    , m_savedPath(qgetenv("PATH"))
{
    if (!m_dir.isValid())
        return;
    if (exitStatus == MISSING) {
        // Nothing but this empty folder to look in.
        qputenv("PATH", QFile::encodeName(m_dir.path()));
        m_valid = true;
        return;
    }
    QFile script(m_dir.filePath(QLatin1String(OPENER_NAME)));
    const QByteArray text = "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '"
        + QFile::encodeName(m_dir.filePath(QLatin1String(LOG_NAME))) + "'\nexit "
        + QByteArray::number(exitStatus) + "\n";
    if (!script.open(QIODevice::WriteOnly) || script.write(text) != text.size())
        return;
    script.close();
    if (!script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
        return;
    qputenv("PATH", QFile::encodeName(m_dir.path()) + ':' + m_savedPath);
    m_valid = true;
}

FakeOpener::~FakeOpener()
{
    qputenv("PATH", m_savedPath);
}

QStringList FakeOpener::opened() const
{
    QFile log(m_dir.filePath(QLatin1String(LOG_NAME)));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QStringList paths = QFile::decodeName(log.readAll()).split(QLatin1Char('\n'));
    paths.removeAll(QString());
    return paths;
}
