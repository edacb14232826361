#pragma once

#include <QPoint>
#include <QSize>
#include <Qt>

// The bands along the right and bottom edges in which a drag resizes a widget,
// a group or a component. The same for all three, so the operator's hand
// learns one gesture.
class XEdgeBands
{
public:
    static const int WIDTH = 4;

    // The resize cursor for a pointer position inside an object of the given
    // size: diagonal in the corner, horizontal on the right band, vertical on
    // the bottom band; Qt::ArrowCursor off the bands.
    static Qt::CursorShape cursorAt(QPoint position, QSize size);
};
