#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace {
const int POLL_INTERVAL_MS = 5;

QString plain(QString text)
{
    return text.remove(QLatin1Char('&'));
}

QString describe(const QString& type, const QString& title)
{
    return QStringLiteral("%1 \"%2\"").arg(type, title);
}

QString describe(const QWidget* dialog)
{
    return describe(QString::fromLatin1(dialog->metaObject()->className()), dialog->windowTitle());
}

enum class Windows { ModalOnly, ModalAndPopups };

// Popup menus block like modal dialogs when run by exec(), but are no modal
// windows; they are only looked for when expected or when giving up.
QList<QPointer<QWidget>> openWindows(Windows which)
{
    QList<QPointer<QWidget>> open;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        const bool popup = which == Windows::ModalAndPopups && window->windowType() == Qt::Popup;
        if (window->isVisible() && (window->isModal() || popup))
            open << window;
    }
    return open;
}

QList<QPointer<QWidget>> openModalWindows()
{
    return openWindows(Windows::ModalOnly);
}
}

const char* const ModalAnswerer::KEEP = "<keep>";
const char* const ModalAnswerer::CANCEL = "<cancel>";
const char* const ModalAnswerer::ACCEPT = "<accept>";

ModalAnswerer::ModalAnswerer(QList<Expected> expected, int deadlineMs)
    : m_expected(std::move(expected))
    , m_deadlineMs(deadlineMs)
{
    m_clock.start();
    m_sinceLastAnswer.start();
    m_openAtStart = openModalWindows();
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start(POLL_INTERVAL_MS);
}

ModalAnswerer::~ModalAnswerer() = default;

QString ModalAnswerer::failure() const
{
    if (!m_failure.isEmpty())
        return m_failure;
    if (m_next < m_expected.size()) {
        const Expected& expected = m_expected.at(m_next);
        return QStringLiteral("%1 was not shown (expected dialog %2 of %3)")
            .arg(describe(expected.type, expected.title))
            .arg(m_next + 1)
            .arg(m_expected.size());
    }
    return QString();
}

bool ModalAnswerer::finished() const
{
    return !m_failure.isEmpty() || m_next >= m_expected.size();
}

void ModalAnswerer::poll()
{
    if (!m_failure.isEmpty()) {
        // Given up: whatever the operation still opens must not block it.
        rejectOpenDialogs();
        return;
    }
    if (m_answerPosted)
        return;
    if (m_next >= m_expected.size()) {
        failOnUnexpectedDialog();
        return;
    }

    const Expected& expected = m_expected.at(m_next);
    if (QWidget* dialog = findExpected(expected)) {
        // Answered from a queued call, not from this timer: Qt does not fire a
        // timer again while its own slot runs, and an answer can open the
        // next dialog in a nested event loop that must still be polled.
        m_answerPosted = true;
        const QPointer<QWidget> target(dialog);
        QTimer::singleShot(0, this, [this, target] { answer(target); });
        return;
    }
    if (m_sinceLastAnswer.elapsed() > m_deadlineMs) {
        fail(QStringLiteral("waited %1 ms for %2 (expected dialog %3 of %4); open modal dialogs: %5")
                 .arg(m_deadlineMs)
                 .arg(describe(expected.type, expected.title))
                 .arg(m_next + 1)
                 .arg(m_expected.size())
                 .arg(describeOpenDialogs()));
    }
}

void ModalAnswerer::failOnUnexpectedDialog()
{
    QHash<const QWidget*, qint64> since;
    const QList<QPointer<QWidget>> open = openModalWindows();
    for (const QPointer<QWidget>& window : open) {
        if (m_openAtStart.contains(window) || m_answered.contains(window))
            continue;
        const qint64 openedAt = m_unexpectedSince.value(window.data(), m_clock.elapsed());
        if (m_clock.elapsed() - openedAt > m_deadlineMs) {
            fail(QStringLiteral("%1 opened after the expected dialogs and stayed open for %2 ms")
                     .arg(describe(window))
                     .arg(m_deadlineMs));
            return;
        }
        since.insert(window.data(), openedAt);
    }
    // Only windows open now are kept, so a new dialog at the address of a
    // closed one starts its own count.
    m_unexpectedSince = since;
}

QWidget* ModalAnswerer::findExpected(const Expected& expected) const
{
    const QByteArray type = expected.type.toLatin1();
    const QList<QPointer<QWidget>> open = openWindows(Windows::ModalAndPopups);
    for (const QPointer<QWidget>& window : open) {
        if (m_inReply.contains(window))
            continue;
        if (window->inherits(type.constData()) && window->windowTitle() == expected.title)
            return window;
    }
    return nullptr;
}

QString ModalAnswerer::describeOpenDialogs() const
{
    QStringList open;
    const QList<QPointer<QWidget>> windows = openWindows(Windows::ModalAndPopups);
    for (const QPointer<QWidget>& window : windows)
        open << describe(window);
    return open.isEmpty() ? QStringLiteral("none") : open.join(QStringLiteral(", "));
}

void ModalAnswerer::answer(const QPointer<QWidget>& dialog)
{
    m_answerPosted = false;
    if (!m_failure.isEmpty() || !dialog || !dialog->isVisible())
        return;
    const Expected expected = m_expected.at(m_next++);
    m_answered << dialog;
    m_sinceLastAnswer.restart();
    // An act that processes events lets the answerer poll meanwhile: the
    // dialog it drives is still open then, and must not be taken for the next
    // expected one, which may have the same type and title.
    m_inReply << dialog;
    reply(dialog, expected);
    // A dialog deleted meanwhile is a null entry now, and goes as such.
    m_inReply.removeAll(dialog);
    m_sinceLastAnswer.restart();
}

void ModalAnswerer::reply(QWidget* dialog, const Expected& expected)
{
    const bool cancel = expected.reply == QLatin1String(CANCEL);
    const bool accept = expected.reply == QLatin1String(ACCEPT);

    if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
        transcript << QStringLiteral("input %1 | %2 | %3")
                          .arg(input->windowTitle(), input->labelText(), input->textValue());
        if (!expected.act)
            replyToInput(input, expected.reply);
    } else if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        QStringList buttons;
        const QList<QAbstractButton*> all = box->buttons();
        for (QAbstractButton* button : all)
            buttons << plain(button->text());
        buttons.sort();
        const QString defaultText = box->defaultButton() ? plain(box->defaultButton()->text()) : QString();
        transcript << QStringLiteral("box %1 | %2 | %3 | default %4")
                          .arg(box->windowTitle(), box->text(), buttons.join(QLatin1Char(',')), defaultText);
        if (!expected.act)
            replyToBox(box, expected);
    } else if (auto* fileDialog = qobject_cast<QFileDialog*>(dialog)) {
        transcript << QStringLiteral("file %1 | %2 | %3")
                          .arg(fileDialog->windowTitle(), fileDialog->directory().absolutePath(),
                              fileDialog->nameFilters().join(QStringLiteral(";;")));
        if (!expected.act)
            replyToFileDialog(fileDialog, expected);
    } else if (auto* menu = qobject_cast<QMenu*>(dialog)) {
        QStringList entries;
        const QList<QAction*> actions = menu->actions();
        for (QAction* action : actions) {
            if (!action->isSeparator())
                entries << plain(action->text());
        }
        transcript << QStringLiteral("menu %1 | %2").arg(menu->windowTitle(), entries.join(QLatin1Char(',')));
        if (!expected.act)
            replyToMenu(menu, expected);
    } else {
        transcript << QStringLiteral("dialog %1 | %2")
                          .arg(QString::fromLatin1(dialog->metaObject()->className()), dialog->windowTitle());
        if (!expected.act) {
            auto* plainDialog = qobject_cast<QDialog*>(dialog);
            if (cancel && plainDialog)
                plainDialog->reject();
            else if (cancel)
                dialog->close();
            else if (accept && plainDialog)
                plainDialog->accept();
            else
                fail(QStringLiteral("%1 cannot be answered with \"%2\"; give an act").arg(describe(dialog), expected.reply));
        }
    }
    if (expected.act) {
        const QPointer<QWidget> guard(dialog);
        expected.act(dialog);
        // A failed check inside the act returns from it early, with the
        // dialog still open and the operation still waiting on it.
        if (QTest::currentTestFailed() && guard && guard->isVisible())
            fail(QStringLiteral("a check failed while driving %1").arg(describe(guard)));
    }
}

void ModalAnswerer::replyToInput(QInputDialog* input, const QString& reply)
{
    if (reply == QLatin1String(CANCEL)) {
        input->reject();
        return;
    }
    if (reply != QLatin1String(KEEP) && reply != QLatin1String(ACCEPT)) {
        switch (input->inputMode()) {
        case QInputDialog::IntInput:
            input->setIntValue(reply.toInt());
            break;
        case QInputDialog::DoubleInput:
            input->setDoubleValue(reply.toDouble());
            break;
        case QInputDialog::TextInput:
            input->setTextValue(reply);
            if (input->textValue() != reply) {
                fail(QStringLiteral("%1 does not take \"%2\"").arg(describe(input), reply));
                return;
            }
            break;
        }
    }
    input->accept();
}

void ModalAnswerer::replyToBox(QMessageBox* box, const Expected& expected)
{
    if (expected.reply == QLatin1String(CANCEL)) {
        box->reject();
        return;
    }
    if (expected.reply == QLatin1String(ACCEPT)) {
        box->accept();
        return;
    }
    const QList<QAbstractButton*> all = box->buttons();
    for (QAbstractButton* button : all) {
        if (plain(button->text()) == plain(expected.reply)) {
            button->click();
            return;
        }
    }
    fail(QStringLiteral("%1 has no button \"%2\"").arg(describe(box), expected.reply));
}

void ModalAnswerer::replyToFileDialog(QFileDialog* fileDialog, const Expected& expected)
{
    if (expected.reply == QLatin1String(CANCEL)) {
        fileDialog->reject();
        return;
    }
    if (expected.reply != QLatin1String(ACCEPT)) {
        const QFileInfo chosen(expected.reply);
        fileDialog->setDirectory(chosen.absolutePath());
        fileDialog->selectFile(chosen.fileName());
        // The widget-based dialog leaves its name field alone while that has
        // the focus, which it has once shown.
        if (auto* nameEdit = fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            nameEdit->setText(chosen.fileName());
        const QStringList selected = fileDialog->selectedFiles();
        if (selected != QStringList { chosen.absoluteFilePath() }) {
            fail(QStringLiteral("%1 selected \"%2\" instead of \"%3\"")
                     .arg(describe(fileDialog), selected.join(QStringLiteral("\", \"")), chosen.absoluteFilePath()));
            return;
        }
    }
    // Through QDialog: QFileDialog keeps its own accept() protected.
    static_cast<QDialog*>(fileDialog)->accept();
    if (fileDialog->isVisible())
        fail(QStringLiteral("%1 did not take \"%2\"").arg(describe(fileDialog), expected.reply));
}

void ModalAnswerer::replyToMenu(QMenu* menu, const Expected& expected)
{
    if (expected.reply == QLatin1String(CANCEL)) {
        menu->close();
        return;
    }
    const QList<QAction*> actions = menu->actions();
    for (QAction* action : actions) {
        if (!action->isSeparator() && plain(action->text()) == plain(expected.reply)) {
            // As the operator chooses: the menu closes and exec() returns the entry.
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
            return;
        }
    }
    fail(QStringLiteral("%1 has no entry \"%2\"").arg(describe(menu), expected.reply));
}

void ModalAnswerer::fail(const QString& text)
{
    if (m_failure.isEmpty())
        m_failure = text;
    else
        m_failure += QStringLiteral("; ") + text;
    rejectOpenDialogs();
}

void ModalAnswerer::rejectOpenDialogs()
{
    const QList<QPointer<QWidget>> open = openWindows(Windows::ModalAndPopups);
    for (const QPointer<QWidget>& window : open) {
        if (!window)
            continue;
        if (auto* dialog = qobject_cast<QDialog*>(window.data()))
            dialog->reject();
        else
            window->close();
    }
}
