#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// An application folder for a test.
//
// A temporary folder into which the staged build (programs, script_config,
// component and module libraries, web client, translations) is copied, so a
// test can start real programs there. Static helpers serve tests that build
// the main window in their own process, whose application folder is the test
// executable's own folder.
class TestAppFolder
{
public:
    TestAppFolder();

    bool isValid() const;
    QString path() const;
    QString filePath(const QString& relative) const;
    QString program(bool console = false) const;

    // Copies the staged application into the folder.
    bool install();

    bool writeFile(const QString& relative, const QByteArray& data) const;
    QByteArray readFile(const QString& relative) const;

    // Starts a program of this folder with the offscreen platform; waits until
    // its single-instance mailbox exists, i.e. it has taken its place.
    QProcess* start(bool console = false, const QProcessEnvironment& extra = QProcessEnvironment());

    // The mailbox of the program in this folder; -1 when it does not exist.
    int mailboxValue(bool console = false) const;

    // Ends a program with SIGTERM and waits for it; true when it exited with 0.
    static bool terminate(QProcess* process, int timeoutMs = 15000);

    // Removes the state files (settings, users, journal, widgets, modules,
    // styles, scripts, content) from the folder of this process.
    static void cleanOwnFolder();

    // Links the staged plug-in, web and translation folders into the folder of
    // this process, so in-process tests load real libraries.
    static void linkStagedFolders();

    static QString stageDir();

    // Files of this process's own application folder; writing creates the
    // folders on the way.
    static QString ownFilePath(const QString& relative);
    static QByteArray readOwnFile(const QString& relative);
    static void writeOwnFile(const QString& relative, const QByteArray& data);

private:
    QTemporaryDir m_dir;
};
