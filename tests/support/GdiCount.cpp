#include "GdiCount.h"
#include <winternl.h>
#include <cstdint>

namespace
{
// One entry of the shared handle table, 64-bit layout.
struct HandleEntry
{
    uint64_t object;
    uint16_t processId;
    uint16_t count;
    uint16_t unique;
    uint8_t type;
    uint8_t flags;
    uint64_t user;
};
static_assert(sizeof(HandleEntry) == 24);
constexpr size_t kEntries = 0x10000;
// Where a 64-bit process's PEB keeps the table.
constexpr size_t kPebTableOffset = 0xF8;

// GCC takes the read of the thread's own block for an out-of-bounds access.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
const HandleEntry* HandleTable()
{
#if defined(_WIN64)
    const auto* peb = reinterpret_cast<const uint8_t*>(NtCurrentTeb()->ProcessEnvironmentBlock);
    return peb ? *reinterpret_cast<const HandleEntry* const*>(peb + kPebTableOffset) : nullptr;
#else
    return nullptr;
#endif
}
#pragma GCC diagnostic pop
} // namespace

int GdiObjectCount()
{
    const HandleEntry* table = HandleTable();
    // A probe object tells how the table names this process.
    HBRUSH probe = ::CreateSolidBrush(RGB(1, 2, 3));
    if (!table || !probe)
    {
        if (probe)
            ::DeleteObject(probe);
        return -1;
    }
    const uint16_t owner = table[reinterpret_cast<uintptr_t>(probe) & 0xFFFF].processId;
    int count = 0;
    for (size_t i = 0; i < kEntries; ++i)
        if (table[i].type != 0 && table[i].object != 0 && table[i].processId == owner)
            ++count;
    ::DeleteObject(probe);
    return count - 1; // not the probe
}
