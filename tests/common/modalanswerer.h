#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>

class QDialog;
class QFileDialog;
class QInputDialog;
class QMenu;
class QMessageBox;

// Answers the modal dialogs that one operation opens, in the order they are
// expected, and notes what each showed. Lives for the duration of the
// operation:
//
//   ModalAnswerer answerer({ { "QMessageBox", "Deleting widget", "&Yes" },
//                            { "QInputDialog", "New widget", "pump" } });
//   menu->trigger();
//   QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
//
// Only a visible modal window that inherits the next entry's `type` and has
// exactly its `title` is answered; every other dialog is left alone, so a
// modal dialog under test that is open beneath a message box is never taken
// for the box. When the next expected dialog has not shown within the
// deadline (counted from the start and from each answer), the answerer
// records a failure naming it, rejects every open modal dialog so that the
// blocked operation returns, and from then on rejects whatever modal dialog
// opens while it lives. Once every expected dialog is answered, a modal
// dialog that opens afterwards and stays open for the deadline fails it the
// same way (dialogs open before the answerer started are not counted).
//
// `reply`, when no `act` is given:
//  - input dialog: the text (or number) to enter, or KEEP (accept what it offers);
//  - message box: the text of the button to click ("&" is ignored on both sides);
//  - file dialog: the path to choose;
//  - popup menu: the text of the entry to choose;
//  - any dialog: CANCEL rejects it, ACCEPT accepts it (CANCEL closes a menu).
// A popup menu run by exec() (type "QMenu", title normally empty) is expected
// and answered like a modal dialog, though it is never taken for an
// unexpected one.
// `act`, when given, is called with the dialog instead; it drives the dialog
// and closes it itself. Dialogs it opens in turn are answered meanwhile. When
// a check fails inside the act and leaves the dialog open, the answerer gives
// up as above.
//
// Transcript lines: "input <title> | <label> | <offered text>",
// "box <title> | <text> | <buttons, sorted, comma separated> | default <button>",
// "file <title> | <folder it opened in> | <name filters, ';;' separated>",
// "menu <title> | <entries, comma separated>" and "dialog <class> | <title>".
class ModalAnswerer : public QObject
{
public:
    static const char* const KEEP;
    static const char* const CANCEL;
    static const char* const ACCEPT;
    static const int DEFAULT_DEADLINE_MS = 5000;

    struct Expected {
        Expected() = default;
        Expected(QString type, QString title, QString reply = QString(),
            std::function<void(QWidget*)> act = nullptr)
            : type(std::move(type))
            , title(std::move(title))
            , reply(std::move(reply))
            , act(std::move(act))
        {
        }

        QString type;
        QString title;
        QString reply;
        std::function<void(QWidget*)> act;
    };

    explicit ModalAnswerer(QList<Expected> expected, int deadlineMs = DEFAULT_DEADLINE_MS);
    ~ModalAnswerer() override;

    // Empty when every expected dialog came and was answered in turn.
    QString failure() const;
    // True once every expected dialog was answered or the answerer gave up.
    bool finished() const;

    QStringList transcript;

private:
    void poll();
    void failOnUnexpectedDialog();
    void answer(const QPointer<QWidget>& dialog);
    void reply(QWidget* dialog, const Expected& expected);
    void replyToInput(QInputDialog* input, const QString& reply);
    void replyToBox(QMessageBox* box, const Expected& expected);
    void replyToFileDialog(QFileDialog* fileDialog, const Expected& expected);
    void replyToMenu(QMenu* menu, const Expected& expected);
    void fail(const QString& text);
    void rejectOpenDialogs();
    QWidget* findExpected(const Expected& expected) const;
    QString describeOpenDialogs() const;

    QList<Expected> m_expected;
    int m_next = 0;
    int m_deadlineMs = DEFAULT_DEADLINE_MS;
    bool m_answerPosted = false;
    QString m_failure;
    QList<QPointer<QWidget>> m_openAtStart;
    QList<QPointer<QWidget>> m_answered;
    QList<QPointer<QWidget>> m_inReply;
    QHash<const QWidget*, qint64> m_unexpectedSince;
    QElapsedTimer m_clock;
    QElapsedTimer m_sinceLastAnswer;
    QTimer m_timer;
};

Q_DECLARE_METATYPE(ModalAnswerer::Expected)
