#pragma once

// What a conversion run shows while it works: the window's pointer and the progress bar.
class RunView
{
public:
    virtual ~RunView() = default;

    virtual void setMousePointer(int code) = 0;

    // Percent done, 0 to 100.
    virtual void setProgress(float percent) = 0;
};
