#pragma once

#include "platform/CursorPosition.h"

class QtCursorPosition : public CursorPosition
{
public:
    QPoint screenPos() const override;
};
