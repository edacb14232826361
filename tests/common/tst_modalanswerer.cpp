#include "modalanswerer.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

class tst_ModalAnswerer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void replies_data();
    void replies();
    void waitsForTheExpectedDialogBeneathAnother();
    void answersDialogsOpenedByAnAct();
    void dialogDrivenByAnActIsNotAnsweredAgain();
    void givesUpNamingTheDialog_data();
    void givesUpNamingTheDialog();

private:
    QString outcomeOf(const QString& kind);

    QTemporaryDir m_dir;
};

namespace {
const int SHORT_DEADLINE_MS = 300;
const int LATE_DIALOG_MS = 100;
const int A_FEW_POLLS_MS = 50;

QString buttonText(QMessageBox& box)
{
    return box.clickedButton() ? box.clickedButton()->text() : QStringLiteral("none");
}
}

void tst_ModalAnswerer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("pictures")));
    QFile photo(m_dir.filePath(QStringLiteral("pictures/face.png")));
    QVERIFY(photo.open(QIODevice::WriteOnly));
}

// Opens a dialog of the given kind, runs it and says how it ended.
QString tst_ModalAnswerer::outcomeOf(const QString& kind)
{
    if (kind == QLatin1String("input")) {
        QInputDialog input;
        input.setWindowTitle(QStringLiteral("New widget"));
        input.setLabelText(QStringLiteral("ID"));
        input.setTextValue(QStringLiteral("offered"));
        return input.exec() == QDialog::Accepted ? QStringLiteral("accepted ") + input.textValue()
                                                 : QStringLiteral("rejected");
    }
    if (kind == QLatin1String("box")) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Deleting widget"), QStringLiteral("Are you sure?"),
            QMessageBox::Yes | QMessageBox::No);
        box.exec();
        return QStringLiteral("clicked ") + buttonText(box);
    }
    if (kind == QLatin1String("menu")) {
        QMenu menu;
        menu.addAction(QStringLiteral("&Open"));
        menu.addSeparator();
        menu.addAction(QStringLiteral("Delete"));
        QAction* chosen = menu.exec(QPoint(10, 10));
        return QStringLiteral("chosen ") + (chosen ? chosen->text() : QStringLiteral("none"));
    }
    if (kind == QLatin1String("dialog")) {
        QDialog dialog;
        dialog.setWindowTitle(QStringLiteral("Card"));
        return dialog.exec() == QDialog::Accepted ? QStringLiteral("accepted") : QStringLiteral("rejected");
    }
    QFileDialog fileDialog(nullptr, QStringLiteral("Choose photo"), m_dir.path());
    fileDialog.setOption(QFileDialog::DontUseNativeDialog);
    if (kind == QLatin1String("save")) {
        fileDialog.setAcceptMode(QFileDialog::AcceptSave);
    } else {
        fileDialog.setFileMode(QFileDialog::ExistingFile);
        fileDialog.setNameFilter(QStringLiteral("Images (*.png)"));
    }
    return fileDialog.exec() == QDialog::Accepted
        ? QStringLiteral("accepted ") + QDir(m_dir.path()).relativeFilePath(fileDialog.selectedFiles().value(0))
        : QStringLiteral("rejected");
}

void tst_ModalAnswerer::replies_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("transcript");
    QTest::addColumn<bool>("fails");

    const QString input = QStringLiteral("input New widget | ID | offered");
    const QString box = QStringLiteral("box Deleting widget | Are you sure? | No,Yes | default ");
    const QString file = QStringLiteral("file Choose photo | %1 | Images (*.png)").arg(m_dir.path());
    QTest::newRow("input: text entered") << "input" << "QInputDialog" << "New widget" << "pump"
                                         << "accepted pump" << input << false;
    QTest::newRow("input: offered text kept")
        << "input" << "QInputDialog" << "New widget" << ModalAnswerer::KEEP << "accepted offered" << input << false;
    QTest::newRow("input: cancelled") << "input" << "QInputDialog" << "New widget" << ModalAnswerer::CANCEL
                                      << "rejected" << input << false;
    QTest::newRow("box: button without &") << "box" << "QMessageBox" << "Deleting widget" << "No"
                                           << "clicked &No" << box << false;
    QTest::newRow("box: button with &") << "box" << "QMessageBox" << "Deleting widget" << "&Yes"
                                        << "clicked &Yes" << box << false;
    QTest::newRow("box: no such button fails and rejects")
        << "box" << "QMessageBox" << "Deleting widget" << "Maybe" << "clicked none" << box << true;
    QTest::newRow("dialog: accepted") << "dialog" << "QDialog" << "Card" << ModalAnswerer::ACCEPT << "accepted"
                                      << "dialog QDialog | Card" << false;
    QTest::newRow("dialog: cancelled") << "dialog" << "QDialog" << "Card" << ModalAnswerer::CANCEL << "rejected"
                                       << "dialog QDialog | Card" << false;
    QTest::newRow("dialog: a path is no reply for it")
        << "dialog" << "QDialog" << "Card" << "/tmp/x" << "rejected" << "dialog QDialog | Card" << true;
    QTest::newRow("menu: an entry chosen") << "menu" << "QMenu" << "" << "Open" << "chosen &Open"
                                           << "menu  | Open,Delete" << false;
    QTest::newRow("menu: closed") << "menu" << "QMenu" << "" << ModalAnswerer::CANCEL << "chosen none"
                                  << "menu  | Open,Delete" << false;
    QTest::newRow("file: a file in another folder")
        << "open" << "QFileDialog" << "Choose photo" << m_dir.filePath(QStringLiteral("pictures/face.png"))
        << "accepted pictures/face.png" << file << false;
    QTest::newRow("file: a new name to save under")
        << "save" << "QFileDialog" << "Choose photo" << m_dir.filePath(QStringLiteral("saved.png"))
        << "accepted saved.png" << QStringLiteral("file Choose photo | %1 | All Files (*)").arg(m_dir.path())
        << false;
    QTest::newRow("file: cancelled") << "open" << "QFileDialog" << "Choose photo" << ModalAnswerer::CANCEL
                                     << "rejected" << file << false;
}

void tst_ModalAnswerer::replies()
{
    QFETCH(QString, kind);
    QFETCH(QString, type);
    QFETCH(QString, title);
    QFETCH(QString, reply);
    QFETCH(QString, transcript);
    QFETCH(bool, fails);

    ModalAnswerer answerer({ { type, title, reply } });
    QTEST(outcomeOf(kind), "outcome");
    QCOMPARE(answerer.transcript, QStringList { transcript });
    QCOMPARE(answerer.failure().isEmpty(), !fails);
}

void tst_ModalAnswerer::waitsForTheExpectedDialogBeneathAnother()
{
    QDialog card;
    card.setWindowTitle(QStringLiteral("Card"));
    QString chosen;
    // The file dialog opens a while after the card, which is modal too and
    // stays open beneath it: the card must not be taken for it.
    QTimer::singleShot(LATE_DIALOG_MS, &card, [&] {
        chosen = QFileDialog::getOpenFileName(&card, QStringLiteral("Choose photo"), m_dir.path(), QString(),
            nullptr, QFileDialog::DontUseNativeDialog);
    });

    ModalAnswerer answerer({ { "QFileDialog", "Choose photo", m_dir.filePath(QStringLiteral("pictures/face.png")) },
        { "QDialog", "Card", ModalAnswerer::ACCEPT } });
    QCOMPARE(card.exec(), int(QDialog::Accepted));
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(chosen, m_dir.filePath(QStringLiteral("pictures/face.png")));
    QCOMPARE(answerer.transcript,
        QStringList({ QStringLiteral("file Choose photo | %1 | All Files (*)").arg(m_dir.path()),
            "dialog QDialog | Card" }));
}

void tst_ModalAnswerer::answersDialogsOpenedByAnAct()
{
    QDialog card;
    card.setWindowTitle(QStringLiteral("Card"));
    auto* remove = new QPushButton(QStringLiteral("Remove"), &card);
    bool removed = false;
    connect(remove, &QPushButton::clicked, &card, [&] {
        removed = QMessageBox::question(&card, QStringLiteral("Deleting user"), QStringLiteral("Are you sure?"))
            == QMessageBox::Yes;
    });

    ModalAnswerer answerer({ { "QDialog", "Card", QString(),
                                 [&](QWidget* dialog) {
                                     QTest::mouseClick(remove, Qt::LeftButton);
                                     static_cast<QDialog*>(dialog)->accept();
                                 } },
        { "QMessageBox", "Deleting user", "&Yes" } });
    QCOMPARE(card.exec(), int(QDialog::Accepted));
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QVERIFY(removed);
}

void tst_ModalAnswerer::dialogDrivenByAnActIsNotAnsweredAgain()
{
    const auto runCard = [](const QString& name) {
        QDialog card;
        card.setWindowTitle(QStringLiteral("Card"));
        card.setObjectName(name);
        return card.exec();
    };
    QStringList driven;
    const auto act = [&driven](QWidget* dialog) {
        driven << dialog->objectName();
        // Polls while the card is still open: the next expected "Card" is the
        // one that opens after it, not this one.
        QTest::qWait(A_FEW_POLLS_MS);
        static_cast<QDialog*>(dialog)->accept();
    };

    ModalAnswerer answerer({ { "QDialog", "Card", QString(), act }, { "QDialog", "Card", QString(), act } });
    QCOMPARE(runCard(QStringLiteral("first")), int(QDialog::Accepted));
    QCOMPARE(runCard(QStringLiteral("second")), int(QDialog::Accepted));
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(driven, QStringList({ "first", "second" }));
}

void tst_ModalAnswerer::givesUpNamingTheDialog_data()
{
    QTest::addColumn<QList<ModalAnswerer::Expected>>("expected");
    QTest::addColumn<QString>("named");

    QTest::newRow("the expected dialog does not come")
        << QList<ModalAnswerer::Expected> { { "QMessageBox", "Deleting group", "&Yes" } }
        << "QMessageBox \"Deleting group\"";
    QTest::newRow("a dialog that was not expected stays open")
        << QList<ModalAnswerer::Expected>() << "QMessageBox \"Deleting widget\"";
}

void tst_ModalAnswerer::givesUpNamingTheDialog()
{
    QFETCH(QList<ModalAnswerer::Expected>, expected);
    QFETCH(QString, named);

    QDialog openBefore;
    openBefore.setModal(true);
    openBefore.show();
    QVERIFY(QTest::qWaitForWindowExposed(&openBefore));
    QMessageBox other(QMessageBox::Question, QStringLiteral("Deleting widget"), QStringLiteral("Are you sure?"),
        QMessageBox::Yes | QMessageBox::No);

    QElapsedTimer clock;
    clock.start();
    ModalAnswerer answerer(expected, SHORT_DEADLINE_MS);
    other.exec();
    QVERIFY(clock.elapsed() >= SHORT_DEADLINE_MS);
    QVERIFY2(!other.clickedButton(), "a dialog that was not expected is not answered");
    QVERIFY(answerer.finished());
    QVERIFY2(answerer.failure().contains(named), qPrintable(answerer.failure()));
    QVERIFY(answerer.transcript.isEmpty());
    QVERIFY2(!openBefore.isVisible(), "giving up rejects every open modal dialog");
}

QTEST_MAIN(tst_ModalAnswerer)
#include "tst_modalanswerer.moc"
