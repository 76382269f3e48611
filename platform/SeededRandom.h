#pragma once

#include "platform/RandomSource.h"

#include <random>

// A Mersenne Twister seeded once, at construction.
class SeededRandom : public RandomSource
{
public:
    explicit SeededRandom(unsigned seed);
    double next() override;

private:
    std::mt19937 m_engine;
    std::uniform_real_distribution<double> m_uniform{0.0, 1.0};
};
