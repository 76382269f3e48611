#pragma once

#include <QPoint>

// Where the mouse pointer is on the screen.
class CursorPosition
{
public:
    virtual ~CursorPosition() = default;

    // The pointer's position in device-independent pixels from the screen's top-left corner.
    virtual QPoint screenPos() const = 0;
};
