#pragma once

#include <QLineEdit>
#include <QString>

class QWidget;

// QInputDialog::getText in a dialog wide enough for its title: a window
// manager cuts a title that does not fit beside the frame's icon and buttons,
// and the dialog's own contents are often narrower than a translated title.
class XInputDialog
{
public:
    static QString getText(QWidget* parent, const QString& title, const QString& label,
        QLineEdit::EchoMode mode, const QString& text, bool* ok);

    // The width at which a window shows the title whole in its frame.
    static int titleFitWidth(const QWidget* window, const QString& title);
};
