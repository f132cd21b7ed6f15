#include "AsioBufferSizes.h"
#include <cwchar>
#include <iterator>

void InsertAsioBufferSize(AsioBufferSizeList& list, unsigned int size)
{
    auto position = list.end();
    while (position != list.begin())
    {
        const unsigned int before = std::prev(position)->size;
        if (before == size)
            return;
        if (before < size)
            break;
        --position;
    }
    list.insert(position, AsioBufferSize{size, {}});
}

std::wstring AsioBufferSizeText(unsigned int size)
{
    wchar_t text[32];
    if (size >= 1000)
        std::swprintf(text, std::size(text), L"%4u samples", size);
    else if (size >= 100)
        std::swprintf(text, std::size(text), L"%5u samples", size);
    else
        std::swprintf(text, std::size(text), L"%6u samples", size);
    return text;
}
