#include "FuzzRandom.h"
#include <windows.h>
#include <cstdlib>

namespace
{
uint64_t FromEnvironment(const char* name, uint64_t fallback)
{
    const char* text = std::getenv(name);
    if (!text || !*text)
        return fallback;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 0);
    return *end ? fallback : value;
}
} // namespace

uint64_t FuzzSeed()
{
    static const uint64_t seed =
        FromEnvironment("KV58_FUZZ_SEED", (static_cast<uint64_t>(::GetTickCount64()) << 20) ^
                                              ::GetCurrentProcessId());
    return seed;
}

unsigned FuzzSteps(unsigned fallback)
{
    return static_cast<unsigned>(FromEnvironment("KV58_FUZZ_STEPS", fallback));
}

std::string ReplayHint(uint64_t seed)
{
    return "replay with KV58_FUZZ_SEED=" + std::to_string(seed);
}
