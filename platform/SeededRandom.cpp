#include "platform/SeededRandom.h"

SeededRandom::SeededRandom(unsigned seed) : m_engine(seed) {}

double SeededRandom::next()
{
    return m_uniform(m_engine);
}
