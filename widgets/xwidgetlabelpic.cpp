#include "xwidgetlabelpic.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMovie>

namespace {
const char PLACEHOLDER_PICTURE[] = ":/Icon/pict/Icon32.png";
}

XWidgetLabelPic::XWidgetLabelPic(QWidget* parent)
    : QLabel(parent)
    , movie(new QMovie(this))
{
    setMovie(movie);
}

void XWidgetLabelPic::setPic(QString fname)
{
    fileName = fname;
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/content/") + fname;
    if (path == movie->fileName())
        return;
    movie->stop();
    movie->setFileName(QFileInfo::exists(path) ? path : QString::fromLatin1(PLACEHOLDER_PICTURE));
    movie->start();
    adjustSize();
}
