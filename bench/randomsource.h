#pragma once

#include <QList>
#include <QtGlobal>

#include <algorithm>

#include <cmath>
#include <cstdint>

// A small, fully deterministic random source (xoshiro256**, seeded through splitmix64). The
// standard library's distributions differ between implementations, so every draw here is
// computed by hand: the same seed gives the same vault on every machine.
class RandomSource
{
public:
    explicit RandomSource(quint64 seed)
    {
        for (quint64& word : m_state) {
            seed += 0x9e3779b97f4a7c15ULL;
            quint64 z = seed;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
            word = z ^ (z >> 31);
        }
    }

    quint64 next()
    {
        const quint64 result = rotate(m_state[1] * 5, 7) * 9;
        const quint64 t = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = rotate(m_state[3], 45);
        return result;
    }

    // Uniform in [0, 1).
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }

    // Uniform in [0, n); 0 when n <= 0.
    int below(int n) { return n <= 0 ? 0 : int(unit() * n); }

    // Uniform in [low, high], both included.
    int between(int low, int high) { return low + below(high - low + 1); }

    bool chance(double probability) { return unit() < probability; }

    // Standard normal (Box-Muller).
    double normal()
    {
        const double u = 1.0 - unit(); // (0, 1]: the logarithm stays finite
        const double v = unit();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
    }

    // An index in [0, n) skewed towards 0: a few items get most of the draws, as folders and
    // days do in real vaults.
    int skewed(int n, double power) { return n <= 0 ? 0 : int(std::pow(unit(), power) * n); }

    template <typename T, std::size_t N> const T& pick(const T (&items)[N])
    {
        return items[below(int(N))];
    }

private:
    static quint64 rotate(quint64 x, int k) { return (x << k) | (x >> (64 - k)); }
    quint64 m_state[4] = {};
};

// Picks indices unevenly: each item gets a lognormal weight, so a few folders hold many articles
// and a few days many memos.
class WeightedPicker
{
public:
    WeightedPicker(int count, RandomSource& random, double spread)
    {
        double total = 0;
        for (int i = 0; i < count; ++i) {
            total += std::exp(random.normal() * spread);
            m_cumulative.append(total);
        }
    }

    int pick(RandomSource& random) const
    {
        const double x = random.unit() * m_cumulative.last();
        const auto found = std::upper_bound(m_cumulative.cbegin(), m_cumulative.cend(), x);
        return std::min(int(found - m_cumulative.cbegin()), int(m_cumulative.size()) - 1);
    }

private:
    QList<double> m_cumulative;
};
