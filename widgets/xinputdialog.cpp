#include "xinputdialog.h"

#include <QFontMetrics>
#include <QInputDialog>
#include <QLabel>
#include <QStyle>

namespace {
// Window icon, minimise, maximise and close, each about as wide as the bar is high.
const int TITLE_BAR_BUTTONS = 4;
}

QString XInputDialog::getText(QWidget* parent, const QString& title, const QString& label,
    QLineEdit::EchoMode mode, const QString& text, bool* ok)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setTextEchoMode(mode);
    dialog.setTextValue(text);
    // The dialog's layout, made when it is shown, fixes its size to what the
    // contents need: the label is made as wide as the title.
    if (auto* labelWidget = dialog.findChild<QLabel*>()) {
        const QStyle* style = dialog.style();
        const int margins = style->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, &dialog)
            + style->pixelMetric(QStyle::PM_LayoutRightMargin, nullptr, &dialog);
        labelWidget->setMinimumWidth(titleFitWidth(&dialog, title) - margins);
    }
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (ok)
        *ok = accepted;
    return accepted ? dialog.textValue() : QString();
}

int XInputDialog::titleFitWidth(const QWidget* window, const QString& title)
{
    // Frames commonly draw their titles in bold.
    QFont font = window->font();
    font.setBold(true);
    const int barHeight = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    return QFontMetrics(font).horizontalAdvance(title) + TITLE_BAR_BUTTONS * barHeight;
}
