#pragma once

#include "platform/Desktop.h"

class QtDesktop : public Desktop
{
public:
    void openUrl(const QString &url) override;
    [[noreturn]] void endProcess() override;
};
