#include "FuzzGuard.h"
#include "FuzzRandom.h"
#include "app/resource.h"
#include "controls/DialogTemplate.h"
#include <gtest/gtest.h>
#include <cstring>
#include <vector>

namespace
{
constexpr DWORD kHangMs = 20000;

std::vector<BYTE> PanelTemplate()
{
    const HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(IDD_GUI_KV58_DIALOG), RT_DIALOG);
    const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(module, resource)));
    return data ? std::vector<BYTE>(data, data + ::SizeofResource(module, resource))
                : std::vector<BYTE>{};
}

// Bytes placed so that the last one touches an inaccessible page: a read
// past them faults at once.
class GuardedCopy
{
public:
    explicit GuardedCopy(size_t capacity)
        : m_pages((capacity + kPage - 1) / kPage * kPage),
          m_base(static_cast<BYTE*>(
              ::VirtualAlloc(nullptr, m_pages + kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE)))
    {
        DWORD previous = 0;
        ::VirtualProtect(Guard(), kPage, PAGE_NOACCESS, &previous);
    }
    ~GuardedCopy() { ::VirtualFree(m_base, 0, MEM_RELEASE); }
    GuardedCopy(const GuardedCopy&) = delete;
    GuardedCopy& operator=(const GuardedCopy&) = delete;

    bool Guarded() const
    {
        MEMORY_BASIC_INFORMATION info{};
        return m_base && ::VirtualQuery(Guard(), &info, sizeof info) &&
               info.Protect == PAGE_NOACCESS;
    }
    std::optional<DialogTemplateLayout> Read(const std::vector<BYTE>& bytes, size_t size) const
    {
        BYTE* at = Guard() - size;
        std::memcpy(at, bytes.data(), size);
        return ReadDialogTemplate(at, size);
    }

private:
    static constexpr size_t kPage = 4096;
    BYTE* Guard() const { return m_base + m_pages; }
    size_t m_pages;
    BYTE* m_base;
};

WORD WordAt(const std::vector<BYTE>& bytes, size_t offset)
{
    return offset + 2 <= bytes.size() ? static_cast<WORD>(bytes[offset] | bytes[offset + 1] << 8)
                                      : 0;
}

// The item count of the header, in either form.
WORD ItemCount(const std::vector<BYTE>& bytes)
{
    const bool extended = WordAt(bytes, 0) == 1 && WordAt(bytes, 2) == 0xFFFF;
    return WordAt(bytes, extended ? 16 : 8);
}

void Mutate(std::vector<BYTE>& bytes, FuzzRandom& random)
{
    const auto evenOffset = [&]
    { return random.Below(static_cast<uint32_t>(bytes.size() / 2)) * 2; };
    for (int count = random.Between(1, 4); count > 0; --count)
    {
        switch (random.Below(4))
        {
        case 0: // a flipped bit
            bytes[random.Below(static_cast<uint32_t>(bytes.size()))] ^=
                static_cast<BYTE>(1u << random.Below(8));
            break;
        case 1: // a count or length at an extreme
        {
            const size_t at = evenOffset();
            const WORD value = random.Pick<WORD>({0, 1, 0x7FFF, 0x8000, 0xFFFE, 0xFFFF});
            bytes[at] = static_cast<BYTE>(value & 0xFF);
            bytes[at + 1] = static_cast<BYTE>(value >> 8);
            break;
        }
        case 2: // the item count at an extreme
        {
            const size_t at = WordAt(bytes, 0) == 1 ? 16 : 8;
            bytes[at] = bytes[at + 1] = random.Pick<BYTE>({0, 0x7F, 0xFF});
            break;
        }
        default: // a string that runs to the end without a terminator
            for (size_t at = evenOffset(); at + 1 < bytes.size(); at += 2)
            {
                bytes[at] = 'A';
                bytes[at + 1] = 0;
            }
            break;
        }
    }
    if (random.Percent(30))
        bytes.resize(random.Below(static_cast<uint32_t>(bytes.size() + 1)));
}
} // namespace

TEST(TemplateFuzz, EveryCutAndMutationOfThePanelTemplateIsReadInBounds)
{
    const uint64_t seed = FuzzSeed();
    SCOPED_TRACE(ReplayHint(seed));
    FuzzGuard guard("template fuzz", seed, kHangMs);
    const std::vector<BYTE> original = PanelTemplate();
    ASSERT_FALSE(original.empty()) << "template 102 is missing";
    const GuardedCopy copy(original.size());
    ASSERT_TRUE(copy.Guarded());

    const auto whole = copy.Read(original, original.size());
    ASSERT_TRUE(whole);
    ASSERT_EQ(whole->items.size(), ItemCount(original));
    // Every cut: refused, or (when it only drops the padding after the last
    // item) read exactly as the whole.
    for (size_t size = 0; size < original.size(); ++size)
    {
        guard.Step(static_cast<unsigned>(size), "a cut of the template");
        if (const auto layout = copy.Read(original, size))
        {
            EXPECT_TRUE(layout->items.size() == whole->items.size() && layout->cx == whole->cx &&
                        layout->cy == whole->cy && layout->font.faceName == whole->font.faceName)
                << "cut to " << size << " of " << original.size() << " bytes";
        }
    }

    FuzzRandom random(seed);
    const unsigned mutations = FuzzSteps(10000);
    unsigned accepted = 0;
    for (unsigned round = 1; round <= mutations; ++round)
    {
        guard.Step(round, "a mutated template");
        std::vector<BYTE> bytes = original;
        Mutate(bytes, random);
        const auto layout = copy.Read(bytes, bytes.size());
        if (!layout)
            continue;
        ++accepted;
        // What it accepts it read whole: each item the header counts.
        ASSERT_EQ(layout->items.size(), ItemCount(bytes)) << "mutation " << round;
    }
    std::printf("template fuzz: %zu cuts, %u mutations, %u accepted, seed %llu\n", original.size(),
                mutations, accepted, static_cast<unsigned long long>(seed));
}
