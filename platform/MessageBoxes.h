#pragma once

#include <QString>

// Modal message boxes: an OK button only, no icon, the program's title as caption.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;

    // Shows the text and returns once the user has dismissed it.
    virtual void inform(const QString &text) = 0;
};
