#include "filesizelimit.h"
#include "rowtranslation.h"
#include "standartwidgetkit.h"
#include "testappfolder.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentsettings.h"
#include "xwidgetstandartdebugdialog.h"
#include "xwidgetstandartdebugdialogmodel.h"
#include "xwidgetstandartkitfiledialog.h"
#include "xwidgetstandartkitfiledialogiconprovider.h"
#include "xwidgetstandartkitfiledialogxwidgetstandart.h"
#include "xwidgetstandartsettings.h"

#include <QAction>
#include <QCheckBox>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QPointer>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeView>
#include <QtTest>

namespace {
const char LAMP_LIB[] = "FixtureLamp";
const char GAUGE_LIB[] = "FixtureGauge";

XWidgetStandartComponentSettings* record(const QString& name, const QString& connectTo = QString(),
    QPoint position = QPoint(), QSize size = QSize(20, 20), const QString& libName = LAMP_LIB)
{
    auto* result = new XWidgetStandartComponentSettings;
    result->name = name;
    result->connectToComponent = connectTo;
    result->libName = libName;
    result->position = position;
    result->size = size;
    return result;
}

QStringList links(const QList<XWidgetStandartComponentSettings*>& records)
{
    QStringList result;
    for (const XWidgetStandartComponentSettings* r : records)
        result.append(r->name + QLatin1String("->") + r->connectToComponent);
    return result;
}

QByteArray json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson();
}

QJsonObject entry(const QString& name)
{
    return QJsonObject { { "name", name }, { "libName", LAMP_LIB } };
}
}

class tst_StandartWidgetKit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void savedKitKeepsOnlyInnerLinks();
    void load_data();
    void load();
    void loadsOnlyIntoAnEmptyList();
    void saveRefusesNothingToWrite();
    void failedSaveKeepsTheKit();
    void loadKit_data();
    void loadKit();
    void previewShowsTheKitInPlace();
    void previewFollowsTheCurrentFile();
    void previewOffersItsDebugDialog();
    void kitIcon();
    void kitIconFromAWorkerThread();
    void fileDialogDrawsKitIcons();
    void fileColumnsShowInFull_data();
    void fileColumnsShowInFull();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    void writeFile(const QString& name, const QByteArray& data);
    QByteArray readFile(const QString& name) const;
    QString writeKit(const QString& name, const QList<XWidgetStandartComponentSettings*>& records);

    std::unique_ptr<QTemporaryDir> m_dir;
    QList<XWidgetStandartComponentSettings*> m_records;
};

void tst_StandartWidgetKit::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void tst_StandartWidgetKit::cleanup()
{
    qDeleteAll(m_records);
    m_records.clear();
    m_dir.reset();
}

void tst_StandartWidgetKit::writeFile(const QString& name, const QByteArray& data)
{
    QFile file(path(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

QByteArray tst_StandartWidgetKit::readFile(const QString& name) const
{
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString tst_StandartWidgetKit::writeKit(
    const QString& name, const QList<XWidgetStandartComponentSettings*>& records)
{
    QList<XWidgetStandartComponentSettings*> list = records;
    StandartWidgetKit kit(&list);
    const bool saved = kit.save(path(name));
    qDeleteAll(list);
    return saved ? path(name) : QString();
}

void tst_StandartWidgetKit::savedKitKeepsOnlyInnerLinks()
{
    QList<XWidgetStandartComponentSettings*> saved { record("Lamp", "Switch"), record("Switch"),
        record("Gauge", "Dial", QPoint(40, 30), QSize(60, 25), GAUGE_LIB) };
    saved.last()->libSettings = QVariantMap { { "text", "bar" }, { "nested", QVariantMap { { "a", 1 } } } };
    QVERIFY(StandartWidgetKit(&saved).save(path("lamps.swkit")));
    const QVariantMap gauge = saved.last()->getMap();
    qDeleteAll(saved);

    const QJsonObject stored = QJsonDocument::fromJson(readFile("lamps.swkit")).object();
    QCOMPARE(stored.keys(), (QStringList { "0", "1", "2" }));
    QCOMPARE(stored.value("2").toObject().value("connectToComponent").toString(), QStringLiteral("Dial"));

    StandartWidgetKit kit(&m_records);
    QVERIFY(kit.load(path("lamps.swkit")));
    QCOMPARE(links(m_records), (QStringList { "Lamp->Switch", "Switch->", "Gauge->" }));
    QVariantMap expectedGauge = gauge;
    expectedGauge.insert("connectToComponent", QString());
    QCOMPARE(m_records.last()->getMap(), expectedGauge);
}

void tst_StandartWidgetKit::load_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("keys 0, 1, 3 stop at the gap")
        << json({ { "0", entry("a") }, { "1", entry("b") }, { "3", entry("d") } }) << true
        << QStringList { "a", "b" };
    QTest::newRow("no key 0 gives an empty kit") << json({ { "1", entry("b") } }) << true << QStringList();
    QTest::newRow("a link to itself is an outside link")
        << json({ { "0", QJsonObject { { "name", "a" }, { "connectToComponent", "a" } } } }) << true
        << QStringList { "a" };
    QTest::newRow("not JSON") << QByteArray("{ \"0\": ") << false << QStringList();
    QTest::newRow("an array") << QByteArray("[ {} ]") << false << QStringList();
    QTest::newRow("an entry that is no object")
        << json({ { "0", entry("a") }, { "1", 7 }, { "2", entry("c") } }) << false << QStringList();
    QTest::newRow("an entry that is null") << json({ { "0", QJsonValue() } }) << false << QStringList();
}

void tst_StandartWidgetKit::load()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, loaded);
    QFETCH(QStringList, names);
    writeFile("kit.swkit", content);

    StandartWidgetKit kit(&m_records);
    QCOMPARE(kit.load(path("kit.swkit")), loaded);
    QStringList got;
    for (const XWidgetStandartComponentSettings* r : qAsConst(m_records)) {
        got.append(r->name);
        QVERIFY(r->connectToComponent.isEmpty());
    }
    QCOMPARE(got, names);
}

void tst_StandartWidgetKit::loadsOnlyIntoAnEmptyList()
{
    const QString kitPath = writeKit("one.swkit", { record("Lamp") });
    QVERIFY(!kitPath.isEmpty());
    m_records.append(record("Present"));
    StandartWidgetKit kit(&m_records);
    QVERIFY(!kit.load(kitPath));
    QCOMPARE(links(m_records), QStringList { "Present->" });
    QVERIFY(!kit.load(QString()));
    QVERIFY(!kit.load(path("missing.swkit")));
}

void tst_StandartWidgetKit::saveRefusesNothingToWrite()
{
    StandartWidgetKit empty(&m_records);
    QVERIFY(!empty.save(path("empty.swkit")));
    QVERIFY(!QFile::exists(path("empty.swkit")));
    m_records.append(record("Lamp"));
    QVERIFY(!StandartWidgetKit(&m_records).save(QString()));
    QVERIFY(!StandartWidgetKit(&m_records).save(path("no/such/folder/kit.swkit")));
}

void tst_StandartWidgetKit::failedSaveKeepsTheKit()
{
    const QString kitPath = writeKit("kit.swkit", { record("Old") });
    const QByteArray stored = readFile("kit.swkit");
    QVERIFY(!stored.isEmpty());

    m_records = { record("New1"), record("New2"), record("New3") };
    {
        const FileSizeLimit noRoom(16);
        QVERIFY(!StandartWidgetKit(&m_records).save(kitPath));
    }
    QCOMPARE(readFile("kit.swkit"), stored);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList { "kit.swkit" });
}

void tst_StandartWidgetKit::loadKit_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("normalise");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QPoint>("first");
    QTest::addColumn<QPoint>("second");
    QTest::addColumn<QSize>("size");

    QTest::newRow("normalised to 5, 5")
        << "kit.swkit" << true << true << QPoint(5, 5) << QPoint(65, 5) << QSize(90, 30);
    QTest::newRow("kept in place") << "kit.swkit" << false << true << QPoint(40, 30) << QPoint(100, 30)
                                   << QSize(125, 55);
    QTest::newRow("suffix other than .swkit")
        << "kit.SWKIT" << true << false << QPoint() << QPoint() << QSize();
}

void tst_StandartWidgetKit::loadKit()
{
    QFETCH(QString, file);
    QFETCH(bool, normalise);
    QFETCH(bool, loaded);
    QVERIFY(!writeKit(file, { record("Lamp", {}, { 40, 30 }), record("Switch", {}, { 100, 30 }) }).isEmpty());

    std::unique_ptr<XWidgetStandartSettings> kit(
        XWidgetStandartKitFileDialog::loadKit(path(file), normalise));
    QCOMPARE(bool(kit), loaded);
    if (!loaded)
        return;
    QCOMPARE(kit->layout, 2);
    QCOMPARE(kit->components.size(), 2);
    QTEST(kit->components.at(0)->position, "first");
    QTEST(kit->components.at(1)->position, "second");
    QTEST(kit->base.size, "size");
}

void tst_StandartWidgetKit::previewShowsTheKitInPlace()
{
    const QString kitPath
        = writeKit("kit.swkit", { record("Lamp", {}, { 40, 30 }), record("Switch", {}, { 100, 30 }) });
    XWidgetStandartKitFileDialog dialog(nullptr, QStringLiteral("Load kit"));
    QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
    QVERIFY(dialog.previewBox()->isChecked());

    dialog.fileChanged(kitPath);
    QVERIFY(dialog.preview);
    QCOMPARE(dialog.preview->parentWidget(), dialog.previewContainer);
    QCOMPARE(dialog.preview->components.size(), 2);
    QCOMPARE(dialog.preview->components.at(0)->geometry(), QRect(5, 5, 20, 20));
    QCOMPARE(dialog.preview->components.at(1)->geometry(), QRect(65, 5, 20, 20));
    QCOMPARE(dialog.preview->size(), QSize(90, 30));
    QCOMPARE(dialog.previewContainer->size(), QSize(95, 35));
    QVERIFY(dialog.preview->components.at(0)->object);

    dialog.show();
    dialog.previewBox()->setChecked(false);
    QVERIFY(!dialog.previewArea->isVisible());
    dialog.previewBox()->setChecked(true);
    QVERIFY(dialog.previewArea->isVisible());
}

void tst_StandartWidgetKit::previewFollowsTheCurrentFile()
{
    const QString kitPath = writeKit("kit.swkit", { record("Lamp") });
    writeFile("broken.swkit", "{ \"0\": ");
    XWidgetStandartKitFileDialog dialog(nullptr, QStringLiteral("Load kit"));

    dialog.fileChanged(kitPath);
    QPointer<XWidgetStandartKitFileDialogXWidgetStandart> first = dialog.preview;
    QVERIFY(first);
    dialog.fileChanged(path("broken.swkit"));
    QVERIFY(!dialog.preview);
    QVERIFY(!dialog.previewSettings);
    QTRY_VERIFY(first.isNull());

    dialog.fileChanged(kitPath);
    QVERIFY(dialog.preview);
    dialog.fileChanged(m_dir->path());
    QVERIFY(!dialog.preview);
}

void tst_StandartWidgetKit::previewOffersItsDebugDialog()
{
    const QString kitPath = writeKit("kit.swkit", { record("Lamp"), record("Switch") });
    XWidgetStandartKitFileDialog dialog(nullptr, QStringLiteral("Load kit"));
    dialog.fileChanged(kitPath);
    XWidgetStandartKitFileDialogXWidgetStandart* preview = dialog.preview;
    QVERIFY(preview);

    const QList<QAction*> actions = preview->menu->actions();
    QCOMPARE(actions.size(), 1);
    QCOMPARE(actions.first()->text(), QStringLiteral("Show debug dialog"));
    actions.first()->trigger();
    auto* debug = preview->findChild<XWidgetStandartDebugDialog*>();
    QVERIFY(debug);
    QCOMPARE(debug->model->rowCount(), 2);
}

void tst_StandartWidgetKit::kitIcon()
{
    const QString kitPath
        = writeKit("kit.swkit", { record("Lamp", {}, { 40, 30 }), record("Switch", {}, { 100, 30 }) });
    writeFile("broken.swkit", "[]");
    writeFile("notes.txt", "text");
    XWidgetStandartKitFileDialogIconProvider provider;

    const QIcon icon = provider.icon(QFileInfo(kitPath));
    QCOMPARE(icon.availableSizes(), QList<QSize> { QSize(90, 30) });
    std::unique_ptr<XWidgetStandartSettings> kit(XWidgetStandartKitFileDialog::loadKit(kitPath, true));
    QWidget container;
    XWidgetStandartKitFileDialogXWidgetStandart preview(kit.get(), &container);
    QCOMPARE(icon.pixmap(QSize(90, 30)).toImage(), preview.grab().toImage());

    for (const QString& other : { path("broken.swkit"), path("notes.txt") }) {
        const QIcon ordinary = provider.icon(QFileInfo(other));
        QVERIFY2(!ordinary.availableSizes().contains(QSize(90, 30)), qPrintable(other));
    }
}

// The file model asks for icons from its own worker thread; a kit is drawn
// with widgets, which exist in the GUI thread only.
void tst_StandartWidgetKit::kitIconFromAWorkerThread()
{
    const QString kitPath
        = writeKit("kit.swkit", { record("Lamp", {}, { 40, 30 }), record("Switch", {}, { 100, 30 }) });
    XWidgetStandartKitFileDialogIconProvider provider;
    QIcon icon;
    std::unique_ptr<QThread> worker(QThread::create([&]() { icon = provider.icon(QFileInfo(kitPath)); }));
    worker->start();
    QTRY_VERIFY(worker->isFinished());
    QCOMPARE(icon.availableSizes(), QList<QSize> { QSize(90, 30) });
}

void tst_StandartWidgetKit::fileDialogDrawsKitIcons()
{
    const QString kitPath
        = writeKit("kit.swkit", { record("Lamp", {}, { 40, 30 }), record("Switch", {}, { 100, 30 }) });
    writeFile("broken.swkit", "{");
    XWidgetStandartKitFileDialog dialog(nullptr, QStringLiteral("Load kit"), m_dir->path());
    dialog.show();
    auto* files = dialog.findChild<QFileSystemModel*>();
    QVERIFY(files);
    QTRY_VERIFY(files->index(kitPath).isValid());
    QTRY_COMPARE(files->fileIcon(files->index(kitPath)).availableSizes(), QList<QSize> { QSize(90, 30) });
    QTRY_VERIFY(files->index(path("broken.swkit")).isValid());
    QVERIFY(!files->fileIcon(files->index(path("broken.swkit"))).availableSizes().contains(QSize(90, 30)));
}

void tst_StandartWidgetKit::fileColumnsShowInFull_data()
{
    // The columns' titles and cells are Qt's own texts.
    RowTranslation::addRows(TestAppFolder::stageDir() + QStringLiteral("/lng/qtbase_de.qm"));
}

// The file list opens with its titles, sizes, types and dates whole and every
// column on screen.
void tst_StandartWidgetKit::fileColumnsShowInFull()
{
    RowTranslation translation;
    QVERIFY(translation.loaded());
    // As the program sets it from the chosen language.
    struct DefaultLocale
    {
        explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
        ~DefaultLocale() { QLocale::setDefault(previous); }
        QLocale previous;
    } locale(QTest::currentDataTag() == QByteArray("German") ? QLocale(QLocale::German) : QLocale());
    const QString kitPath = writeKit("kit.swkit", { record("Lamp") });
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("older kits")));

    XWidgetStandartKitFileDialog dialog(nullptr, QStringLiteral("Load kit"), m_dir->path());
    dialog.show();
    auto* files = dialog.findChild<QFileSystemModel*>();
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    QVERIFY(files && view);
    QTRY_VERIFY(files->index(kitPath).isValid() && files->index(path("older kits")).isValid());
    auto cutColumns = [view] {
        const QHeaderView* header = view->header();
        const QAbstractItemView* rows = view;
        QStringList cut;
        for (int column = 0; column < header->count(); ++column) {
            if (header->isSectionHidden(column))
                continue;
            const int needed = std::max(rows->sizeHintForColumn(column), header->sectionSizeHint(column));
            if (header->sectionSize(column) < needed)
                cut << QStringLiteral("%1 (%2 < %3)")
                           .arg(view->model()->headerData(column, Qt::Horizontal).toString())
                           .arg(header->sectionSize(column))
                           .arg(needed);
        }
        if (header->length() > view->viewport()->width())
            cut << QStringLiteral("columns %1 wide in %2").arg(header->length()).arg(view->viewport()->width());
        return cut;
    };
    if (!QTest::qWaitFor([&] { return view->isVisible() && cutColumns().isEmpty(); }))
        QFAIL(qPrintable(cutColumns().join(QStringLiteral(", "))));

    // Dates in the program's language, not the system's.
    const QAbstractItemModel* shown = view->model();
    QString kitDate;
    for (int row = 0; row < shown->rowCount(view->rootIndex()); ++row) {
        if (shown->index(row, 0, view->rootIndex()).data().toString() == QLatin1String("kit.swkit"))
            kitDate = shown->index(row, 3, view->rootIndex()).data().toString();
    }
    QCOMPARE(kitDate, QLocale().toString(QFileInfo(kitPath).lastModified(), QLocale::ShortFormat));
}

QTEST_MAIN(tst_StandartWidgetKit)
#include "tst_standartwidgetkit.moc"
