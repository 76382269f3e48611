#pragma once

// A uniform pseudo-random source.
class RandomSource
{
public:
    virtual ~RandomSource() = default;

    // The next value, uniform in [0, 1).
    virtual double next() = 0;
};
