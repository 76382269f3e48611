#pragma once

// Time as the program needs it: a monotonic clock for waits, and the time of day for seeding.
class Clock
{
public:
    virtual ~Clock() = default;

    // Seconds on a clock that never jumps (not even at midnight); its origin is arbitrary.
    virtual double monotonicSeconds() const = 0;

    // Whole seconds since local midnight.
    virtual int secondsSinceMidnight() const = 0;
};
