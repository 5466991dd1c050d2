#pragma once

#include <cstdint>
#include <vector>

/// A small deterministic random source (SplitMix64). The standard distributions are left out on
/// purpose: their results differ between standard libraries, and the benchmark site must be the
/// same byte for byte wherever it is generated from the same seed.
class BenchRandom
{
public:
    /// The same seed and stream give the same sequence; distinct streams give unrelated ones.
    explicit BenchRandom(std::uint64_t seed, std::uint64_t stream = 0);

    std::uint64_t next();
    /// Uniform in [0, bound); bound must not be 0. The modulo bias is negligible here.
    std::uint64_t below(std::uint64_t bound);
    /// Uniform in [low, high].
    std::uint64_t between(std::uint64_t low, std::uint64_t high);
    /// Uniform in [0, 1).
    double unit();
    /// Standard normal (Box-Muller), from two draws.
    double normal();
    /// True with the given probability.
    bool chance(double probability);

    template <typename T> const T &pick(const std::vector<T> &items)
    {
        return items[below(items.size())];
    }

private:
    std::uint64_t m_state;
};
