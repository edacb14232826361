#include "appglobals.h"
#include "applicationdata.h"
#include "axobject.h"
#include "fakeopener.h"
#include "headerfit.h"
#include "journalexchangeitem.h"
#include "journalmodel.h"
#include "mainwindow.h"
#include "testappfolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include <algorithm>

namespace {
// A change reaches its file a few seconds after it was made.
const int SAVED_WHILE_RUNNING_TIMEOUT_MS = 20000;
}

// The journal steps of the main window, built in this process on the test's
// own application folder.
class tst_MainWindowJournal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void journalFileRoundTrip();
    void saveToFileOff();
    void unreadableJournalKeptAside();
    void columnWidthsRestoredButLast();
    void firstWidthsShowTitlesAndEntries();
    void datesFollowTheLanguage_data();
    void datesFollowTheLanguage();
    void settingsFollowTheControls();
    void errorMarkClearedByJournalTab();
    void clearAndAutoScroll();
    void toExcelButtonExports_data();
    void toExcelButtonExports();

private:
    static QStringList journalFileTexts()
    {
        const QJsonObject object
            = QJsonDocument::fromJson(TestAppFolder::readOwnFile(QStringLiteral("journal"))).object();
        QStringList texts;
        for (int i = 0; object.contains(QString::number(i)); ++i)
            texts.append(
                object.value(QString::number(i)).toObject().value(QStringLiteral("text")).toString());
        return texts;
    }
    static QStringList modelTexts()
    {
        QStringList texts;
        for (int row = 0; row < XJournalModel->rowCount(); ++row)
            texts.append(XJournalModel->index(row, 2).data().toString());
        return texts;
    }
    static int journalTab(MainWindow& window)
    {
        auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
        return tabs->indexOf(window.findChild<QWidget*>(QStringLiteral("tab_Journal")));
    }

    ApplicationData* m_applicationData = nullptr;
};

void tst_MainWindowJournal::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void tst_MainWindowJournal::init()
{
    TestAppFolder::cleanOwnFolder();
    m_applicationData = new ApplicationData;
}

void tst_MainWindowJournal::cleanup()
{
    // The model handed to deleteLater goes with the event loop, and with it
    // (one round later) the window's own channel; the globals follow.
    QTRY_VERIFY(!XJournalModel);
    QTRY_VERIFY(!XMainJournalItem);
    delete m_applicationData;
    m_applicationData = nullptr;
}

void tst_MainWindowJournal::journalFileRoundTrip()
{
    {
        MainWindow window(m_applicationData);
        QCOMPARE(modelTexts(), QStringList { QStringLiteral("Program started") });
        XMainJournalItem->add(QStringLiteral("first"), JournalItem::ITEM_LEVEL_NORMAL);
        XMainJournalItem->add(QStringLiteral("second"), JournalItem::ITEM_LEVEL_CRITICAL);
    }
    const QStringList saved = { QStringLiteral("Program started"), QStringLiteral("first"),
        QStringLiteral("second"), QStringLiteral("Program closed") };
    QCOMPARE(journalFileTexts(), saved);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    MainWindow window(m_applicationData);
    QCOMPARE(modelTexts(), saved + QStringList { QStringLiteral("Program started") });
    QCOMPARE(XJournalModel->index(2, 0).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(Qt::red));
    QVERIFY2(XJournalModel->errorIcon().isNull(), "a critical item read back raises no mark");
}

void tst_MainWindowJournal::saveToFileOff()
{
    const QByteArray stored = R"({ "0": { "datetime": "2024-01-02T03:04:05.000", "level": 1,
        "sourse": "", "text": "from an earlier run" } })";
    TestAppFolder::writeOwnFile(QStringLiteral("journal"), stored);
    TestAppFolder::writeOwnFile(QStringLiteral("settings.ini"), "[Journal]\nsaveToFile=false\n");
    {
        MainWindow window(m_applicationData);
        QCOMPARE(XJournalModel->rowCount(), 0);
        XMainJournalItem->add(QStringLiteral("entry"), JournalItem::ITEM_LEVEL_NORMAL);
    }
    // The model lives on until the event loop deletes it.
    QVERIFY(XJournalModel);
    QCOMPARE(modelTexts(), (QStringList { QStringLiteral("entry"), QStringLiteral("Program closed") }));
    QCOMPARE(TestAppFolder::readOwnFile(QStringLiteral("journal")), stored);

    QFile::remove(TestAppFolder::ownFilePath(QStringLiteral("journal")));
    {
        MainWindow window(m_applicationData);
    }
    QVERIFY(!QFile::exists(TestAppFolder::ownFilePath(QStringLiteral("journal"))));
}

void tst_MainWindowJournal::unreadableJournalKeptAside()
{
    const QByteArray broken = "{ \"0\": { \"text\": \"cut short";
    TestAppFolder::writeOwnFile(QStringLiteral("journal"), broken);
    QString setAside;
    {
        MainWindow window(m_applicationData);
        // Set aside at once, and said so where the operator looks.
        QCOMPARE(TestAppFolder::readOwnFile(QStringLiteral("journal.unreadable")), broken);
        const QStringList texts = modelTexts();
        QCOMPARE(texts.size(), 2);
        QCOMPARE(texts.first(), QStringLiteral("Program started"));
        setAside = texts.last();
        QVERIFY2(setAside.contains(TestAppFolder::ownFilePath(QStringLiteral("journal")))
                && setAside.contains(QStringLiteral("journal.unreadable")),
            qPrintable(setAside));
        QCOMPARE(
            XJournalModel->index(1, 0).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(Qt::red));
    }
    QCOMPARE(TestAppFolder::readOwnFile(QStringLiteral("journal.unreadable")), broken);
    QCOMPARE(journalFileTexts(),
        (QStringList { QStringLiteral("Program started"), setAside, QStringLiteral("Program closed") }));
}

void tst_MainWindowJournal::columnWidthsRestoredButLast()
{
    TestAppFolder::writeOwnFile(QStringLiteral("settings.ini"), "[Journal]\nw0=123\nw1=77\nw2=300\n");
    {
        MainWindow window(m_applicationData);
        window.resize(769, 513);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* view = window.findChild<QTableView*>(QStringLiteral("journalTableView"));
        QCOMPARE(view->columnWidth(0), 123);
        QCOMPARE(view->columnWidth(1), 77);
        QVERIFY(view->horizontalHeader()->stretchLastSection());
        QVERIFY(view->columnWidth(2) != 300);
        view->setColumnWidth(1, 90);
    }
    QSettings settings(TestAppFolder::ownFilePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("Journal/w1")).toInt(), 90);
    QCOMPARE(settings.value(QStringLiteral("Journal/w0")).toInt(), 123);
}

// Without stored widths the columns show their titles and an entry in full.
void tst_MainWindowJournal::firstWidthsShowTitlesAndEntries()
{
    MainWindow window(m_applicationData);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    tabs->setCurrentWidget(window.findChild<QWidget*>(QStringLiteral("tab_Journal")));
    auto* view = window.findChild<QTableView*>(QStringLiteral("journalTableView"));
    QTRY_VERIFY(view->isVisible());
    QVERIFY(XJournalModel->rowCount() > 0);
    const QStringList cut = cutColumnTitles(view);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral(", "))));
    const QAbstractItemView* rows = view;
    for (int column = 0; column < XJournalModel->columnCount() - 1; ++column)
        QVERIFY2(view->columnWidth(column) >= rows->sizeHintForColumn(column),
            qPrintable(QStringLiteral("column %1: %2 < %3")
                           .arg(column)
                           .arg(view->columnWidth(column))
                           .arg(rows->sizeHintForColumn(column))));
}

void tst_MainWindowJournal::datesFollowTheLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("system language") << QString();
    QTest::newRow("German") << QStringLiteral("de");
}

void tst_MainWindowJournal::datesFollowTheLanguage()
{
    QFETCH(QString, language);
    if (!language.isEmpty())
        TestAppFolder::writeOwnFile(QStringLiteral("settings.ini"), "[General]\nlanguage=" + language.toUtf8() + "\n");
    const QDateTime entryTime(QDate(2026, 12, 10), QTime(8, 0));
    TestAppFolder::writeOwnFile(QStringLiteral("journal"),
        R"({"0": {"datetime": "2026-12-10T08:00:00", "level": 1, "sourse": "", "text": "earlier"}})");
    const QLocale expected = language.isEmpty() ? QLocale::system() : QLocale(language);

    MainWindow window(m_applicationData);
    auto* view = window.findChild<QTableView*>(QStringLiteral("journalTableView"));
    const auto* delegate = qobject_cast<const QStyledItemDelegate*>(view->itemDelegate());
    QVERIFY(delegate);
    const QModelIndex first = XJournalModel->index(0, 0);
    QCOMPARE(first.data().toDateTime(), entryTime);
    QCOMPARE(delegate->displayText(first.data(), view->locale()),
        expected.toString(entryTime, QLocale::ShortFormat));
    // Qt's own dialogs, the file dialogs among them, are made later and follow too.
    QCOMPARE(QWidget().locale().name(), expected.name());
}

void tst_MainWindowJournal::settingsFollowTheControls()
{
    TestAppFolder::writeOwnFile(QStringLiteral("settings.ini"), "[Journal]\nmaxRow=7\nautoScroll=false\n");
    MainWindow window(m_applicationData);
    auto* maxRow = window.findChild<QSpinBox*>(QStringLiteral("journalMaxRow"));
    auto* saveToFile = window.findChild<QCheckBox*>(QStringLiteral("saveJournalToFile"));
    auto* autoScroll = window.findChild<QCheckBox*>(QStringLiteral("journalAutoScroll"));
    QCOMPARE(maxRow->value(), 7);
    QVERIFY(saveToFile->isChecked());
    QVERIFY(!autoScroll->isChecked());

    for (int i = 0; i < 5; ++i)
        XMainJournalItem->add(QString::number(i), JournalItem::ITEM_LEVEL_NONE);
    QCOMPARE(XJournalModel->rowCount(), 6);
    maxRow->setValue(3);
    emit maxRow->editingFinished();
    QCOMPARE(modelTexts(), (QStringList { QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4") }));
    saveToFile->click();
    autoScroll->click();

    // In the file seconds later, while the window is still open.
    const auto stored = [] {
        const QSettings settings(
            TestAppFolder::ownFilePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        return QStringList { settings.value(QStringLiteral("Journal/maxRow")).toString(),
            settings.value(QStringLiteral("Journal/saveToFile")).toString(),
            settings.value(QStringLiteral("Journal/autoScroll")).toString() };
    };
    QTRY_COMPARE_WITH_TIMEOUT(
        stored(), (QStringList { "3", "false", "true" }), SAVED_WHILE_RUNNING_TIMEOUT_MS);
}

void tst_MainWindowJournal::errorMarkClearedByJournalTab()
{
    MainWindow window(m_applicationData);
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    const int journal = journalTab(window);
    QVERIFY(tabs->tabIcon(journal).isNull());

    XMainJournalItem->add(QStringLiteral("boom"), JournalItem::ITEM_LEVEL_CRITICAL);
    QVERIFY(!tabs->tabIcon(journal).isNull());

    // Some other tab must be current first; add one if no other helper's tab is there yet.
    if (tabs->count() == 1)
        tabs->addTab(new QWidget, QStringLiteral("other"));
    tabs->setCurrentIndex(journal == 0 ? 1 : 0);
    XMainJournalItem->add(QStringLiteral("boom again"), JournalItem::ITEM_LEVEL_CRITICAL);
    QVERIFY(!tabs->tabIcon(journal).isNull());
    tabs->setCurrentIndex(journal);
    QVERIFY(tabs->tabIcon(journal).isNull());
}

void tst_MainWindowJournal::clearAndAutoScroll()
{
    MainWindow window(m_applicationData);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    tabs->setCurrentIndex(journalTab(window));
    auto* view = window.findChild<QTableView*>(QStringLiteral("journalTableView"));
    for (int i = 0; i < 60; ++i)
        XMainJournalItem->add(QString::number(i), JournalItem::ITEM_LEVEL_NONE);
    QScrollBar* bar = view->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    QTRY_COMPARE(bar->value(), bar->maximum());

    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("clearJournal")), Qt::LeftButton);
    QCOMPARE(XJournalModel->rowCount(), 0);
}

void tst_MainWindowJournal::toExcelButtonExports_data()
{
    QTest::addColumn<int>("openerStatus");
    QTest::newRow("opened by the desktop's program") << 0;
    // As xdg-open ends when it finds no way to open the file.
    QTest::newRow("no program opens it") << 3;
}

void tst_MainWindowJournal::toExcelButtonExports()
{
    QFETCH(int, openerStatus);
    const bool opens = openerStatus == 0;
    const FakeOpener opener(openerStatus);
    QVERIFY(opener.isValid());
    MainWindow window(m_applicationData);
    QPushButton* button = nullptr;
    for (QPushButton* candidate : window.findChildren<QPushButton*>()) {
        if (candidate->text() == QStringLiteral("To Excel"))
            button = candidate;
    }
    QVERIFY(button);
    const QStringList before = modelTexts();
    button->click();
    QTRY_COMPARE(opener.opened().size(), 1);
    const QString path = opener.opened().first();
    QVERIFY(QFile::exists(path));
    // Named in the journal every time; one more entry when nothing shows it.
    const QStringList expected { QStringLiteral("The entries were written to ")
        + QDir::toNativeSeparators(path) };
    if (opens) {
        QTRY_COMPARE(modelTexts().mid(before.size()), expected);
        auto* application = XJournalModel->findChild<AxObject*>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(application);
        QSignalSpy opened(application, &AxObject::workbookOpened);
        QSignalSpy notOpened(application, &AxObject::workbookNotOpened);
        QVERIFY(!notOpened.wait(1000));
        QCOMPARE(modelTexts().mid(before.size()), expected);
        return;
    }
    QTRY_COMPARE(modelTexts().size(), before.size() + 2);
    QCOMPARE(modelTexts().at(before.size()), expected.first());
    const QString failure = modelTexts().last();
    QVERIFY2(failure.contains(QDir::toNativeSeparators(path))
            && failure.contains(QStringLiteral("could not be opened")),
        qPrintable(failure));
}

QTEST_MAIN(tst_MainWindowJournal)
#include "tst_mainwindowjournal.moc"
