#pragma once
#include <string>
#include <vector>

struct AsioBufferSize
{
    unsigned int size; // samples
    std::wstring suffix;

    bool operator==(const AsioBufferSize&) const = default;
};

// Ascending, without duplicate sizes.
using AsioBufferSizeList = std::vector<AsioBufferSize>;

// Adds size in its place unless the list already holds it.
void InsertAsioBufferSize(AsioBufferSizeList& list, unsigned int size);
// "    64 samples", "  512 samples", "1024 samples": the numbers line up in the box.
std::wstring AsioBufferSizeText(unsigned int size);
