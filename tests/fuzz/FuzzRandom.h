#pragma once
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>

// A small generator whose sequence depends on the seed alone, on every
// compiler and library, so that a seed printed by a failure replays it.
class FuzzRandom
{
public:
    explicit FuzzRandom(uint64_t seed) : m_state(seed) {}

    uint64_t Next()
    {
        // splitmix64
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 to n - 1.
    uint32_t Below(uint32_t n) { return n ? static_cast<uint32_t>(Next() % n) : 0; }
    int Between(int low, int high)
    {
        return low + static_cast<int>(Next() % (static_cast<uint64_t>(high - low) + 1));
    }
    bool Percent(uint32_t percent) { return Below(100) < percent; }
    template <typename T> T Pick(std::initializer_list<T> values)
    {
        return *(values.begin() + Below(static_cast<uint32_t>(values.size())));
    }

private:
    uint64_t m_state;
};

// KV58_FUZZ_SEED when set, else a new seed for every run.
uint64_t FuzzSeed();
// KV58_FUZZ_STEPS when set, else fallback.
unsigned FuzzSteps(unsigned fallback);
// "KV58_FUZZ_SEED=<seed>": what replays a run, for failure messages.
std::string ReplayHint(uint64_t seed);
