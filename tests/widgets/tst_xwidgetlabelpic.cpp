#include "testappfolder.h"
#include "xwidgetlabelpic.h"

#include <QDir>
#include <QImage>
#include <QMovie>
#include <QtTest>

class tst_XWidgetLabelPic : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestAppFolder::cleanOwnFolder(); }
    void cleanup() { TestAppFolder::cleanOwnFolder(); }
    void setPic_data();
    void setPic();
    void sameFileKeepsTheMovie();
};

namespace {
const char PLACEHOLDER[] = ":/Icon/pict/Icon32.png";

QString contentPath(const QString& relative)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/content/") + relative;
}
}

void tst_XWidgetLabelPic::setPic_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");
    QTest::newRow("picture in a subfolder of content") << QStringLiteral("plans/hall.png") << true;
    QTest::newRow("missing picture shows the placeholder") << QStringLiteral("missing.png") << false;
}

void tst_XWidgetLabelPic::setPic()
{
    QFETCH(QString, name);
    QFETCH(bool, exists);
    if (exists) {
        QDir().mkpath(QFileInfo(contentPath(name)).absolutePath());
        QImage image(24, 16, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(contentPath(name)));
    }
    XWidgetLabelPic label;
    label.setPic(name);
    QCOMPARE(label.fileName, name);
    QCOMPARE(label.movie->fileName(), exists ? contentPath(name) : QString::fromLatin1(PLACEHOLDER));
    QCOMPARE(label.QLabel::movie(), label.movie);
    QVERIFY(label.movie->isValid());
    QCOMPARE(label.size(), label.sizeHint());
}

void tst_XWidgetLabelPic::sameFileKeepsTheMovie()
{
    const QString name = QStringLiteral("pump.png");
    QDir().mkpath(contentPath(QString()));
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QVERIFY(image.save(contentPath(name)));

    XWidgetLabelPic label;
    label.setPic(name);
    QSignalSpy restarts(label.movie, &QMovie::started);
    label.setPic(name);
    QCOMPARE(restarts.count(), 0);
    label.setPic(QStringLiteral("other.png"));
    QCOMPARE(restarts.count(), 1);
}

QTEST_MAIN(tst_XWidgetLabelPic)
#include "tst_xwidgetlabelpic.moc"
