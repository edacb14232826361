#include "xwidgetstandartkitfiledialogiconprovider.h"

#include "xwidgetstandartkitfiledialog.h"
#include "xwidgetstandartkitfiledialogxwidgetstandart.h"
#include "xwidgetstandartsettings.h"

#include <QCoreApplication>
#include <QPixmap>
#include <QSemaphore>
#include <QSharedPointer>
#include <QThread>

namespace {
const char* const KIT_SUFFIX = ".swkit";
// How long the file model's worker waits for the GUI thread to draw a kit.
// Bounded, because the GUI thread waits for that worker when the dialog closes.
const int KIT_ICON_WAIT_MS = 2000;

struct IconJob
{
    QString path;
    QIcon icon;
    QSemaphore done;
};
}

QIcon XWidgetStandartKitFileDialogIconProvider::icon(const QFileInfo& info) const
{
    const QString path = info.absoluteFilePath();
    if (!path.endsWith(QLatin1String(KIT_SUFFIX)))
        return QFileIconProvider::icon(info);

    QIcon result;
    QCoreApplication* application = QCoreApplication::instance();
    if (application && QThread::currentThread() == application->thread()) {
        result = kitIcon(path);
    } else if (application) {
        // The file model asks from its own worker thread, but a kit is drawn
        // with widgets, which live in the GUI thread only.
        auto job = QSharedPointer<IconJob>::create();
        job->path = path;
        QMetaObject::invokeMethod(
            application,
            [job]() {
                job->icon = kitIcon(job->path);
                job->done.release();
            },
            Qt::QueuedConnection);
        if (job->done.tryAcquire(1, KIT_ICON_WAIT_MS))
            result = job->icon;
    }
    return result.isNull() ? QFileIconProvider::icon(info) : result;
}

QIcon XWidgetStandartKitFileDialogIconProvider::kitIcon(const QString& path)
{
    XWidgetStandartSettings* record = XWidgetStandartKitFileDialog::loadKit(path, true);
    if (!record)
        return QIcon();
    auto* container = new QWidget;
    auto* preview = new XWidgetStandartKitFileDialogXWidgetStandart(record, container);
    const QPixmap picture = preview->grab();
    // The record goes only once the widget that reads it is gone.
    QObject::connect(preview, &QObject::destroyed, [record]() { delete record; });
    container->deleteLater();
    return picture.isNull() ? QIcon() : QIcon(picture);
}
