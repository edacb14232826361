#include "applicationdata.h"
#include "mainwindow.h"
#include "terminationsignals.h"
#include "xdescriptors.h"
#include "xstoredfile.h"

#include <QApplication>
#include <QDebug>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {
// Told to whoever started the program (a supervisor) when the event loop ended
// well but a stored file could not be written as the program went down.
const int SAVE_FAILED_EXIT_CODE = 1;

// Every web connection holds a descriptor; the usual soft limit of 1024 would
// leave the program little room once a few hundred browsers are connected.
void raiseDescriptorLimit()
{
#ifdef Q_OS_UNIX
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
#endif
}

}

int main(int argc, char* argv[])
{
    // Whoever started the program may have left descriptors of its own open to
    // it (a shell, a supervisor): a program started from the panel inherits
    // none of them, as it inherits none of the program's own.
    XDescriptors::markAllCloseOnExec();
    raiseDescriptorLimit();
    QApplication application(argc, argv);
    // Installed before the guard exists, so that a process seen running by
    // anybody already ends through the event loop when asked to.
    TerminationSignals terminationSignals;
    ApplicationData applicationData;

    QCoreApplication::setOrganizationName(applicationData.organizationName());
    QCoreApplication::setOrganizationDomain(applicationData.organizationDomain());
    QCoreApplication::setApplicationName(applicationData.applicationName());
    QCoreApplication::setApplicationVersion(QStringLiteral("3.2.3 build 200117"));

    if (applicationData.isAlreadyRunning()) {
        qDebug() << "The application is already running";
        applicationData.setSharedValue(1);
        return 0;
    }

    int exitCode = 0;
    {
        // Everything is saved as the window goes.
        MainWindow mainWindow(&applicationData);
        mainWindow.show();
        applicationData.setSharedValue(0);
        exitCode = application.exec();
    }
    if (exitCode == 0 && XStoredFile::anyWriteFailed())
        exitCode = SAVE_FAILED_EXIT_CODE;
    return exitCode;
}
