#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

// The desktop's opener ("xdg-open") played by a script that stands first in
// PATH while the object lives: it notes each file it is asked to open and
// ends with the status it was given, as the real one does when no program
// opens the file. Tests that show workbooks never start the real one.
class FakeOpener
{
public:
    // For exitStatus: no opener at all in PATH.
    static constexpr int MISSING = -1;

    explicit FakeOpener(int exitStatus = 0);
    ~FakeOpener();

    FakeOpener(const FakeOpener&) = delete;
    FakeOpener& operator=(const FakeOpener&) = delete;

    bool isValid() const { return m_valid; }
    // The files asked for so far, oldest first.
    QStringList opened() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_savedPath;
    bool m_valid = false;
};
