#include "testappfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSharedMemory>
#include <QTest>

#include <csignal>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace {
const int START_TIMEOUT_MS = 15000;
// The project byte Qt 5 gives ftok() for its System V keys.
const int SYSV_KEY_PROJECT = 'Q';
const char* const STATE_ENTRIES[] = { "settings.ini", "settings.ini.unreadable", "settings.ini.original",
    "users", "users.unreadable", "users.original", "journal", "journal.unreadable", "journal.original",
    "styles.css", "standart_widgets", "modules", "scripts", "content", "ssl", "lng" };
const char* const STAGED_FOLDERS[] = { "widgets_components_lib", "modules_lib", "web" };

bool copyRecursively(const QString& from, const QString& to)
{
    const QFileInfo info(from);
    if (info.isDir()) {
        if (!QDir().mkpath(to))
            return false;
        const QStringList entries
            = QDir(from).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        for (const QString& entry : entries) {
            if (!copyRecursively(from + QLatin1Char('/') + entry, to + QLatin1Char('/') + entry))
                return false;
        }
        return true;
    }
    QFile::remove(to);
    return QFile::copy(from, to);
}
}

TestAppFolder::TestAppFolder() = default;

bool TestAppFolder::isValid() const
{
    return m_dir.isValid();
}

QString TestAppFolder::path() const
{
    return m_dir.path();
}

QString TestAppFolder::filePath(const QString& relative) const
{
    return m_dir.filePath(relative);
}

QString TestAppFolder::program(bool console) const
{
    return filePath(console ? QStringLiteral("panelhost_console") : QStringLiteral("panelhost"));
}

QString TestAppFolder::stageDir()
{
    return QStringLiteral(PANELHOST_STAGE_DIR);
}

bool TestAppFolder::install()
{
    return m_dir.isValid() && copyRecursively(stageDir(), path());
}

bool TestAppFolder::writeFile(const QString& relative, const QByteArray& data) const
{
    const QString target = filePath(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile file(target);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray TestAppFolder::readFile(const QString& relative) const
{
    QFile file(filePath(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int TestAppFolder::mailboxValue(bool console) const
{
    // Read straight through System V calls, as QSharedMemory keys it here, and
    // never through QSharedMemory: its detach removes a segment that no one
    // else is attached to, which is the state of a program's mailbox between
    // its creation and the program's own attach. A probe at that moment would
    // take the mailbox away from the starting program.
    const QByteArray keyFile = QFile::encodeName(QSharedMemory(program(console) + QStringLiteral("_2")).nativeKey());
    if (!QFile::exists(QFile::decodeName(keyFile)))
        return -1;
    const key_t key = ::ftok(keyFile.constData(), SYSV_KEY_PROJECT);
    if (key == -1)
        return -1;
    const int id = ::shmget(key, 0, 0400);
    if (id == -1)
        return -1;
    void* memory = ::shmat(id, nullptr, SHM_RDONLY);
    if (memory == reinterpret_cast<void*>(-1))
        return -1;
    const qint32 value = *static_cast<const volatile qint32*>(memory);
    ::shmdt(memory);
    return value;
}

QProcess* TestAppFolder::start(bool console, const QProcessEnvironment& extra)
{
    auto* process = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(extra);
    process->setProcessEnvironment(environment);
    process->setWorkingDirectory(path());
    process->start(program(console), QStringList());
    if (!process->waitForStarted(START_TIMEOUT_MS))
        return process;
    // Callers check the state and the mailbox themselves.
    const bool settled = QTest::qWaitFor(
        [&] { return process->state() != QProcess::Running || mailboxValue(console) >= 0; }, START_TIMEOUT_MS);
    Q_UNUSED(settled)
    return process;
}

bool TestAppFolder::terminate(QProcess* process, int timeoutMs)
{
    if (process->state() == QProcess::NotRunning)
        return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    ::kill(pid_t(process->processId()), SIGTERM);
    if (!process->waitForFinished(timeoutMs)) {
        process->kill();
        process->waitForFinished();
        return false;
    }
    return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}

QString TestAppFolder::ownFilePath(const QString& relative)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + relative;
}

QByteArray TestAppFolder::readOwnFile(const QString& relative)
{
    QFile file(ownFilePath(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestAppFolder::writeOwnFile(const QString& relative, const QByteArray& data)
{
    const QString target = ownFilePath(relative);
    QVERIFY(QDir().mkpath(QFileInfo(target).absolutePath()));
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), qint64(data.size()));
}

void TestAppFolder::cleanOwnFolder()
{
    const QDir dir(QCoreApplication::applicationDirPath());
    for (const char* entry : STATE_ENTRIES) {
        const QString target = dir.filePath(QLatin1String(entry));
        if (QFileInfo(target).isDir() && !QFileInfo(target).isSymLink())
            QDir(target).removeRecursively();
        else
            QFile::remove(target);
    }
}

void TestAppFolder::linkStagedFolders()
{
    const QDir dir(QCoreApplication::applicationDirPath());
    for (const char* folder : STAGED_FOLDERS) {
        const QString link = dir.filePath(QLatin1String(folder));
        if (QFileInfo(link).isSymLink() || QFileInfo::exists(link))
            continue;
        QFile::link(stageDir() + QLatin1Char('/') + QLatin1String(folder), link);
    }
}
