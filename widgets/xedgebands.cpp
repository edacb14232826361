#include "xedgebands.h"

const int XEdgeBands::WIDTH;

Qt::CursorShape XEdgeBands::cursorAt(QPoint position, QSize size)
{
    const bool onRight = position.x() >= size.width() - WIDTH;
    const bool onBottom = position.y() >= size.height() - WIDTH;
    if (onRight && onBottom)
        return Qt::SizeFDiagCursor;
    if (onRight)
        return Qt::SizeHorCursor;
    if (onBottom)
        return Qt::SizeVerCursor;
    return Qt::ArrowCursor;
}
