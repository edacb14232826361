#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {
const int POLL_INTERVAL_MS = 10;

QString plain(QString text)
{
    return text.remove(QLatin1Char('&'));
}
}

const char* const ModalAnswerer::KEEP = "<keep>";
const char* const ModalAnswerer::CANCEL = "<cancel>";

ModalAnswerer::ModalAnswerer(QStringList answers)
    : m_answers(std::move(answers))
{
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::answer);
    m_timer.start(POLL_INTERVAL_MS);
}

void ModalAnswerer::answer()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal->property("answered").toBool())
        return;
    modal->setProperty("answered", true);
    const QString reply = m_answers.isEmpty() ? QString::fromLatin1(CANCEL) : m_answers.takeFirst();

    if (auto* input = qobject_cast<QInputDialog*>(modal)) {
        transcript << QStringLiteral("input %1 | %2 | %3")
                          .arg(input->windowTitle(), input->labelText(), input->textValue());
        if (reply == QLatin1String(CANCEL)) {
            input->reject();
            return;
        }
        if (reply != QLatin1String(KEEP))
            input->setTextValue(reply);
        input->accept();
        return;
    }

    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        QStringList buttons;
        QAbstractButton* chosen = nullptr;
        const QList<QAbstractButton*> all = box->buttons();
        for (QAbstractButton* button : all) {
            buttons << plain(button->text());
            if (plain(button->text()) == plain(reply))
                chosen = button;
        }
        buttons.sort();
        const QString defaultText = box->defaultButton() ? plain(box->defaultButton()->text()) : QString();
        transcript << QStringLiteral("box %1 | %2 | %3 | default %4")
                          .arg(box->windowTitle(), box->text(), buttons.join(QLatin1Char(',')), defaultText);
        if (chosen)
            chosen->click();
        else
            box->reject();
        return;
    }

    modal->close();
}
