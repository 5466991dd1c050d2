#include "bench/BenchRandom.h"

#include <cmath>
#include <numbers>

namespace {

std::uint64_t mix(std::uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

} // namespace

BenchRandom::BenchRandom(std::uint64_t seed, std::uint64_t stream)
    : m_state(mix(seed) ^ mix(stream + 0x9e3779b97f4a7c15ULL))
{}

std::uint64_t BenchRandom::next()
{
    m_state += 0x9e3779b97f4a7c15ULL;
    return mix(m_state);
}

std::uint64_t BenchRandom::below(std::uint64_t bound)
{
    return next() % bound;
}

std::uint64_t BenchRandom::between(std::uint64_t low, std::uint64_t high)
{
    return low + below(high - low + 1);
}

double BenchRandom::unit()
{
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

bool BenchRandom::chance(double probability)
{
    return unit() < probability;
}

double BenchRandom::normal()
{
    // 1 - unit() lies in (0, 1], so the logarithm is finite.
    const double radius = std::sqrt(-2 * std::log(1 - unit()));
    return radius * std::cos(2 * std::numbers::pi * unit());
}
