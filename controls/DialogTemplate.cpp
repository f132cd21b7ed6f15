#include "DialogTemplate.h"
#include "SafeMath.h"
#include <cstring>

namespace
{
constexpr WORD kExtendedSignature = 0xFFFF;
constexpr WORD kOrdinalMarker = 0xFFFF;

// Reads little-endian values from a byte range; any read past the end fails
// and every later one fails too.
class TemplateReader
{
public:
    TemplateReader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}

    bool Ok() const { return m_ok; }
    size_t Offset() const { return m_offset; }

    template <typename T> T Read()
    {
        T value{};
        if (Take(sizeof value))
            std::memcpy(&value, m_data + m_offset - sizeof value, sizeof value);
        return value;
    }
    void Skip(size_t count) { Take(count); }

    // A zero-terminated UTF-16 string.
    std::wstring ReadString()
    {
        std::wstring text;
        for (;;)
        {
            const auto ch = Read<wchar_t>();
            if (!m_ok || ch == L'\0')
                return text;
            text.push_back(ch);
        }
    }
    // A menu or class field: 0, 0xFFFF and an ordinal, or a string. True
    // when the field names something.
    bool SkipNameOrOrdinal()
    {
        const size_t start = m_offset;
        const WORD first = Read<WORD>();
        if (first == 0)
            return false;
        if (first == kOrdinalMarker)
        {
            Skip(sizeof(WORD));
            return true;
        }
        m_offset = start;
        ReadString();
        return true;
    }
    void AlignToDword()
    {
        const size_t aligned = (m_offset + 3) & ~static_cast<size_t>(3);
        Skip(aligned - m_offset);
    }

private:
    bool Take(size_t count)
    {
        if (!m_ok || count > m_size - m_offset)
        {
            m_ok = false;
            return false;
        }
        m_offset += count;
        return true;
    }

    const BYTE* m_data;
    size_t m_size;
    size_t m_offset = 0;
    bool m_ok = true;
};

void ReadItem(TemplateReader& reader, bool extended, DialogItemLayout& item)
{
    // Help id (extended form only), extended style and style.
    reader.Skip(sizeof(DWORD) * (extended ? 3 : 2));
    item.x = reader.Read<short>();
    item.y = reader.Read<short>();
    item.cx = reader.Read<short>();
    item.cy = reader.Read<short>();
    item.id = extended ? reader.Read<DWORD>() : reader.Read<WORD>();
    reader.SkipNameOrOrdinal(); // window class
    reader.SkipNameOrOrdinal(); // title
    const WORD creationData = reader.Read<WORD>();
    reader.Skip(creationData);
}
} // namespace

bool DialogTemplateLayout::Matches(const DialogItemLayout& item, int controlId) const
{
    // A plain template holds 16-bit ids.
    if (!extended)
        return LOWORD(controlId) == item.id;
    return static_cast<DWORD>(controlId) == item.id;
}

std::optional<DialogTemplateLayout> ReadDialogTemplate(const void* data, size_t size)
{
    if (!data)
        return std::nullopt;
    const auto* bytes = static_cast<const BYTE*>(data);
    DialogTemplateLayout layout;
    {
        TemplateReader head(bytes, size);
        const WORD version = head.Read<WORD>();
        const WORD signature = head.Read<WORD>();
        layout.extended = head.Ok() && version == 1 && signature == kExtendedSignature;
    }
    TemplateReader reader(bytes, size);
    if (layout.extended)
    {
        reader.Skip(sizeof(WORD) * 2 + sizeof(DWORD)); // version, signature, help id
        layout.exStyle = reader.Read<DWORD>();
        layout.style = reader.Read<DWORD>();
    }
    else
    {
        layout.style = reader.Read<DWORD>();
        layout.exStyle = reader.Read<DWORD>();
    }
    const WORD itemCount = reader.Read<WORD>();
    reader.Skip(sizeof(short) * 2); // x, y
    layout.cx = reader.Read<short>();
    layout.cy = reader.Read<short>();

    DialogFontDescription& font = layout.font;
    font.hasMenu = reader.SkipNameOrOrdinal();
    reader.SkipNameOrOrdinal(); // window class
    reader.ReadString();        // title
    if (layout.style & DS_SETFONT)
    {
        font.pointSize = reader.Read<WORD>();
        font.weight = 0;
        font.italic = 0;
        if (layout.extended)
        {
            font.weight = reader.Read<WORD>();
            font.italic = reader.Read<BYTE>();
            reader.Skip(sizeof(BYTE)); // character set
        }
        font.faceName = reader.ReadString();
    }
    if (!reader.Ok())
        return std::nullopt;

    for (WORD index = 0; index < itemCount; ++index)
    {
        reader.AlignToDword();
        DialogItemLayout item;
        ReadItem(reader, layout.extended, item);
        if (!reader.Ok())
            return std::nullopt;
        layout.items.push_back(item);
    }
    return layout;
}

std::optional<DialogTemplateLayout> LoadDialogTemplate(HMODULE module, UINT id)
{
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
    if (!resource)
        return std::nullopt;
    const DWORD size = ::SizeofResource(module, resource);
    HGLOBAL loaded = ::LoadResource(module, resource);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    return ReadDialogTemplate(data, size);
}

int FontHeightForPoints(WORD pointSize, double dpi)
{
    const int points = pointSize > 32767 ? 65536 - pointSize : pointSize;
    return -TruncateToInt(points * dpi / 72.0 + 0.5);
}

int BaseWidthFromAlphabetExtent(int extent)
{
    return (extent / 26 + 1) / 2;
}

int HorizontalUnitsToPixels(int units, double baseWidth)
{
    return TruncateToInt(units * baseWidth * 0.25 + 0.5);
}

int VerticalUnitsToPixels(int units, double baseHeight)
{
    return TruncateToInt(units * baseHeight * 0.125 + 0.5);
}
