#include "journalfilter.h"
#include "journalmodel.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QTableView>
#include <QtTest>

namespace {
const int MAX_ROWS = 10000;
const int LEVEL_COUNT = 4;
}

// What a full journal costs: every append re-filters all kept items.
class tst_JournalModelBenchmark : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void appendTenThousand();
    void appendAtTenThousand();

private:
    static JournalItem* makeItem(int i)
    {
        auto* item = new JournalItem;
        item->dateTime = QDateTime::currentDateTime();
        item->level = JournalItem::ITEM_LEVEL_t(i % LEVEL_COUNT);
        item->source = QStringLiteral("Source %1").arg(i % 7);
        item->text = QStringLiteral("Entry number %1").arg(i);
        return item;
    }

    // A model with a filter that is on and hides a quarter of the items ("By
    // level" without "Without level"), shown in a view.
    void makeModel()
    {
        m_model = new JournalModel(MAX_ROWS);
        const QList<QGroupBox*> boxes = m_model->filter()->findChildren<QGroupBox*>();
        for (QGroupBox* box : boxes) {
            if (box->title() == QStringLiteral("By level"))
                box->setChecked(true);
        }
        const QList<QCheckBox*> checks = m_model->filter()->findChildren<QCheckBox*>();
        for (QCheckBox* check : checks)
            check->setChecked(check->text() != QStringLiteral("Without level"));
        m_model->update();
        m_view = new QTableView;
        m_view->setModel(m_model);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view));
    }
    void freeModel()
    {
        delete m_view;
        m_view = nullptr;
        delete m_model;
        m_model = nullptr;
    }

    JournalModel* m_model = nullptr;
    QTableView* m_view = nullptr;
    int m_next = 0;
};

void tst_JournalModelBenchmark::cleanupTestCase()
{
    freeModel();
}

void tst_JournalModelBenchmark::appendTenThousand()
{
    makeModel();
    QBENCHMARK_ONCE
    {
        for (int i = 0; i < MAX_ROWS; ++i)
            m_model->addNew(makeItem(i));
    }
    QCOMPARE(m_model->rowCount(), MAX_ROWS * 3 / LEVEL_COUNT);
    freeModel();
}

void tst_JournalModelBenchmark::appendAtTenThousand()
{
    // QBENCHMARK runs this function again for each round of iterations: the
    // full model is made once and kept at its maximum for all rounds.
    if (!m_model) {
        makeModel();
        for (m_next = 0; m_next < MAX_ROWS; ++m_next)
            m_model->addNew(makeItem(m_next));
    }
    QBENCHMARK
    {
        m_model->addNew(makeItem(m_next++));
    }
    QCOMPARE(m_model->map().size(), MAX_ROWS);
}

QTEST_MAIN(tst_JournalModelBenchmark)
#include "tst_journalmodelbenchmark.moc"
