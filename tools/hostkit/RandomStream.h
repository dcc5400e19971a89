// A pseudo-random number stream that gives the same numbers for the same seed
// on every platform and library version: xoshiro256** seeded through
// splitmix64, with its own bounded draws (the standard distributions may
// differ between library versions, which would change generated folders).
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <stdexcept>

namespace hostkit {

class RandomStream {
public:
    explicit RandomStream(uint64_t seed) {
        for (uint64_t& word : m_state) {
            seed += 0x9E3779B97F4A7C15ULL; // splitmix64
            uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
            word = z ^ (z >> 31);
        }
    }

    uint64_t Next() {
        const uint64_t result = RotateLeft(m_state[1] * 5, 7) * 9;
        const uint64_t t = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = RotateLeft(m_state[3], 45);
        return result;
    }

    // A number in [0, bound); bound must be positive. Lemire's multiply and
    // reject on the upper 32 bits, so every value is equally likely.
    uint32_t Below(uint64_t bound) {
        if (bound == 0 || bound > UINT32_MAX) {
            throw std::invalid_argument("RandomStream::Below: bound out of range");
        }
        uint64_t product = (Next() >> 32) * bound;
        auto low = static_cast<uint32_t>(product);
        if (low < bound) {
            const auto threshold = static_cast<uint32_t>((UINT32_MAX - bound + 1) % bound);
            while (low < threshold) {
                product = (Next() >> 32) * bound;
                low = static_cast<uint32_t>(product);
            }
        }
        return static_cast<uint32_t>(product >> 32);
    }

    // A number in [low, high].
    int64_t Between(int64_t low, int64_t high) {
        return low + Below(static_cast<uint64_t>(high - low) + 1);
    }

    // True with a chance of `perMille` in 1000.
    bool Chance(uint32_t perMille) { return Below(1000) < perMille; }

    // One element of a non-empty list (a vector, span or array).
    template <typename List> decltype(auto) Pick(const List& items) {
        return items[static_cast<std::size_t>(Below(std::size(items)))];
    }

    // The index of a weight, chosen in proportion to the weights (not all zero).
    std::size_t Weighted(std::span<const uint32_t> weights) {
        uint64_t total = 0;
        for (const uint32_t weight : weights) {
            total += weight;
        }
        uint64_t draw = Below(total);
        for (std::size_t i = 0; i < weights.size(); ++i) {
            if (draw < weights[i]) {
                return i;
            }
            draw -= weights[i];
        }
        return weights.size() - 1; // not reached
    }

private:
    static uint64_t RotateLeft(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    uint64_t m_state[4];
};

} // namespace hostkit
