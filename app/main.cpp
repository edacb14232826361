#include "applicationdata.h"
#include "mainwindow.h"
#include "terminationsignals.h"

#include <QApplication>
#include <QDebug>

int main(int argc, char* argv[])
{
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

    MainWindow mainWindow(&applicationData);
    mainWindow.show();
    applicationData.setSharedValue(0);
    return application.exec();
}
