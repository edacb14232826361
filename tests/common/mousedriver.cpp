#include "mousedriver.h"

#include <QTest>
#include <QWidget>
#include <QWindow>

namespace {
const int DRAG_STEPS = 4;

void send(QTest::MouseAction action, QWidget* reference, QPoint pos, Qt::KeyboardModifiers modifiers,
    Qt::MouseButton button)
{
    QWidget* top = reference->window();
    QTest::mouseEvent(action, top->windowHandle(), button, modifiers, reference->mapTo(top, pos));
}
}

void MouseDriver::press(
    QWidget* reference, QPoint pos, Qt::KeyboardModifiers modifiers, Qt::MouseButton button)
{
    send(QTest::MousePress, reference, pos, modifiers, button);
}

void MouseDriver::move(QWidget* reference, QPoint pos, Qt::KeyboardModifiers modifiers)
{
    send(QTest::MouseMove, reference, pos, modifiers, Qt::NoButton);
}

void MouseDriver::release(
    QWidget* reference, QPoint pos, Qt::KeyboardModifiers modifiers, Qt::MouseButton button)
{
    send(QTest::MouseRelease, reference, pos, modifiers, button);
}

void MouseDriver::drag(QWidget* reference, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers)
{
    press(reference, from, modifiers);
    for (int step = 1; step <= DRAG_STEPS; ++step)
        move(reference, from + (to - from) * step / DRAG_STEPS, modifiers);
    release(reference, to, modifiers);
}
