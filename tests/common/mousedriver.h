#pragma once

#include <QPoint>
#include <Qt>

class QWidget;

// Mouse events through the window system, as a real pointer makes them: the
// application-wide modifier state follows the event, the pressed widget
// keeps the grab, and enter and leave events are made.
//
// Positions are in the coordinates of `reference`, a widget that does not
// move during the drag (the panel, typically), which lies in a shown window.
class MouseDriver
{
public:
    static void press(QWidget* reference, QPoint pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
        Qt::MouseButton button = Qt::LeftButton);
    static void move(QWidget* reference, QPoint pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    static void release(QWidget* reference, QPoint pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
        Qt::MouseButton button = Qt::LeftButton);

    // Press at `from`, move to `to` (in a few steps), release there.
    static void drag(QWidget* reference, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers);
};
