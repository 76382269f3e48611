#pragma once

#include <QString>

// What lies outside this process on the desktop: other programs, and the end of this process.
class Desktop
{
public:
    virtual ~Desktop() = default;

    // Opens an address in the user's default browser without waiting for it.
    virtual void openUrl(const QString &url) = 0;

    // Ends this process at once: no further handler runs, nothing is saved.
    [[noreturn]] virtual void endProcess() = 0;
};
