#pragma once

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace {
const int MODAL_POLL_INTERVAL_MS = 10;
}

// Runs an action on the next modal window that opens on top of the current
// one, from inside that window's own event loop. The action may open a further
// modal window after scheduling an action for it.
inline void onNextModal(std::function<void(QWidget*)> action)
{
    const QPointer<QWidget> current = QApplication::activeModalWidget();
    auto* timer = new QTimer;
    timer->setInterval(MODAL_POLL_INTERVAL_MS);
    QObject::connect(timer, &QTimer::timeout, [timer, current, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == current)
            return;
        timer->stop();
        timer->deleteLater();
        const QPointer<QWidget> guard = modal;
        action(modal);
        // A failed check inside the action must not leave the test waiting on an open window.
        if (QTest::currentTestFailed() && guard && guard->isVisible())
            guard->close();
    });
    timer->start();
}
