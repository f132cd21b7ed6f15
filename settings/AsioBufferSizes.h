#pragma once
#include <string>
#include <vector>

struct AsioBufferSize
{
    unsigned int size; // samples
    std::wstring suffix;
};

// Ascending, without duplicate sizes.
using AsioBufferSizeList = std::vector<AsioBufferSize>;
