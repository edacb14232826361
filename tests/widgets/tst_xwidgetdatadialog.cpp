#include "modalanswerer.h"
#include "testappfolder.h"
#include "xwidget.h"
#include "xwidgetcontextmenu.h"
#include "xwidgetdatadialog.h"
#include "xwidgetsettings.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include <memory>

namespace {
const int AUTO_UPDATE_WAIT_MS = 3500;

// Hands out a fixed exchange map and notes what it was asked with.
class DataWidget : public XWidget
{
public:
    using XWidget::XWidget;
    QVariantMap exchangeData(QVariantMap map) override
    {
        ++calls;
        lastInput = map;
        return data;
    }
    QVariantMap data;
    QVariantMap lastInput;
    int calls = 0;
};
}

class tst_XWidgetDataDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opensFromMenu();
    void text_data();
    void text();
    void updateButton();
    void autoUpdate();

private:
    std::unique_ptr<XWidgetSettings> m_record;
    DataWidget* m_widget = nullptr;
};

void tst_XWidgetDataDialog::init()
{
    TestAppFolder::cleanOwnFolder();
    m_record.reset(new XWidgetSettings);
    m_widget = new DataWidget(m_record.get(), nullptr);
    m_widget->data = QVariantMap { { QStringLiteral("level"), 4 } };
    m_widget->xsignalAppend(QStringLiteral("alarm"));
}

void tst_XWidgetDataDialog::cleanup()
{
    delete m_widget;
    m_widget = nullptr;
    m_record.reset();
}

void tst_XWidgetDataDialog::opensFromMenu()
{
    QPointer<XWidgetDataDialog> dialog;
    QString shown;
    ModalAnswerer answerer({ { "XWidgetDataDialog", "", QString(), [&](QWidget* modal) {
        dialog = static_cast<XWidgetDataDialog*>(modal);
        shown = dialog->textView->toPlainText();
        QTest::keyClick(dialog, Qt::Key_Escape);
    } } });
    m_widget->contextMenu->actions().at(3)->trigger();
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(shown, QStringLiteral("Variables:\nlevel: 4\nSignals:\nalarm"));
    QVERIFY2(!dialog, "the dialog deletes itself when closed");
}

void tst_XWidgetDataDialog::text_data()
{
    QTest::addColumn<QVariantMap>("data");
    QTest::addColumn<QStringList>("signalNames");
    QTest::addColumn<QString>("expected");

    QTest::newRow("nothing to show") << QVariantMap() << QStringList() << "Variables:\nSignals:";
    QTest::newRow("keys in case-sensitive order, empty key hidden")
        << QVariantMap { { "b", "two" }, { "B", 1.5 }, { "a", true }, { "", "hidden" } }
        << QStringList { "stop", "go", "stop" }
        << "Variables:\nB: 1.5\na: true\nb: two\nSignals:\nstop\ngo\nstop";
    QTest::newRow("a value without text form shows empty")
        << QVariantMap { { "list", QVariantList { 1, 2 } } } << QStringList()
        << "Variables:\nlist: \nSignals:";
}

void tst_XWidgetDataDialog::text()
{
    QFETCH(QVariantMap, data);
    QFETCH(QStringList, signalNames);
    m_widget->data = data;
    m_widget->xsignals = signalNames;

    XWidgetDataDialog dialog(m_widget);
    QCOMPARE(dialog.parentWidget(), m_widget);
    QVERIFY(dialog.testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(dialog.windowTitle().isEmpty());
    QVERIFY(dialog.textView->isReadOnly());
    QTEST(dialog.textView->toPlainText(), "expected");
    QCOMPARE(m_widget->calls, 1);
    QVERIFY(m_widget->lastInput.isEmpty());
}

void tst_XWidgetDataDialog::updateButton()
{
    XWidgetDataDialog dialog(m_widget);
    m_widget->data.insert(QStringLiteral("level"), 5);
    m_widget->xsignalAppend(QStringLiteral("reset"));
    QCOMPARE(dialog.textView->toPlainText(), QStringLiteral("Variables:\nlevel: 4\nSignals:\nalarm"));

    QTest::mouseClick(dialog.updateButton, Qt::LeftButton);
    QCOMPARE(dialog.textView->toPlainText(), QStringLiteral("Variables:\nlevel: 5\nSignals:\nalarm\nreset"));
}

void tst_XWidgetDataDialog::autoUpdate()
{
    XWidgetDataDialog dialog(m_widget);
    dialog.show();
    QCOMPARE(dialog.autoUpdateSpin->value(), 0);
    QCOMPARE(dialog.autoUpdateSpin->minimum(), 0);
    QCOMPARE(dialog.autoUpdateSpin->maximum(), 100);
    QVERIFY(!dialog.timer->isActive());

    QTest::keyClick(dialog.autoUpdateSpin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(dialog.autoUpdateSpin, QStringLiteral("2"));
    QVERIFY(dialog.timer->isActive());
    QCOMPARE(dialog.timer->interval(), 2000);

    m_widget->data.insert(QStringLiteral("level"), 6);
    const int callsBefore = m_widget->calls;
    QTRY_COMPARE_WITH_TIMEOUT(dialog.textView->toPlainText(),
        QStringLiteral("Variables:\nlevel: 6\nSignals:\nalarm"), AUTO_UPDATE_WAIT_MS);
    QCOMPARE(m_widget->calls, callsBefore + 1);

    QTest::keyClick(dialog.autoUpdateSpin, Qt::Key_Down);
    QCOMPARE(dialog.timer->interval(), 1000);
    QVERIFY(dialog.timer->isActive());
    QTest::keyClick(dialog.autoUpdateSpin, Qt::Key_Down);
    QCOMPARE(dialog.autoUpdateSpin->value(), 0);
    QVERIFY(!dialog.timer->isActive());
}

QTEST_MAIN(tst_XWidgetDataDialog)
#include "tst_xwidgetdatadialog.moc"
