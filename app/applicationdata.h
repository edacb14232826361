#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

class QSharedMemory;

// Identity of the application and the single-instance guard: a semaphore and
// a 4-byte shared mailbox, both keyed by the executable's full path so that
// copies installed in different folders never see each other.
class ApplicationData : public QObject
{
    Q_OBJECT

public:
    explicit ApplicationData(QObject* parent = nullptr);

    QString organizationName() const { return m_organizationName; }
    QString organizationDomain() const { return m_organizationDomain; }
    QString applicationName() const { return m_applicationName; }
    QIcon windowIcon() const { return m_windowIcon; }
    QIcon trayIcon() const { return m_trayIcon; }
    bool isAlreadyRunning() const { return m_alreadyRunning; }

    int sharedValue() const;
    void setSharedValue(int value);

    static QString semaphoreKey();
    static QString sharedMemoryKey();

private:
    void initSingleInstance();

    QString m_organizationName;
    QString m_organizationDomain;
    QString m_applicationName;
    QIcon m_windowIcon;
    QIcon m_trayIcon;
    QSharedMemory* m_sharedMemory = nullptr;
    bool m_alreadyRunning = false;
};
