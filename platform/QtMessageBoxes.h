#pragma once

#include "platform/MessageBoxes.h"

class QtMessageBoxes : public MessageBoxes
{
public:
    void inform(const QString &text) override;
};
