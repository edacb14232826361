#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

// Answers the modal dialogs that one operation opens, in turn, and notes what
// each showed. Lives for the duration of the operation.
//
// Answers, one per dialog:
//  - an input dialog: the text to enter, KEEP (accept what it offers) or
//    CANCEL;
//  - a message box: the text of the button to click ("OK", "&Yes", "&No"
//    as the box shows them are matched without the "&"), or CANCEL.
// A dialog for which no answer is left is cancelled.
//
// Transcript lines: "input <title> | <label> | <offered text>" and
// "box <title> | <text> | <buttons, sorted, comma separated> | default <button>".
class ModalAnswerer : public QObject
{
public:
    static const char* const KEEP;
    static const char* const CANCEL;

    explicit ModalAnswerer(QStringList answers = QStringList());

    QStringList transcript;
    int answersLeft() const { return m_answers.size(); }

private:
    void answer();

    QStringList m_answers;
    QTimer m_timer;
};
