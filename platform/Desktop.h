#pragma once

#include <QString>

// The parts of the desktop outside this process: other programs and the process's own end.
class Desktop
{
public:
    virtual ~Desktop() = default;

    // Opens an address in the user's default browser without waiting for it.
    virtual void openUrl(const QString &url) = 0;

    // Ends this process at once: no further handler runs, nothing is saved.
    [[noreturn]] virtual void endProcess() = 0;
};
