#pragma once
#include <windows.h>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The font a dialog template asks for, or the default when it names none.
struct DialogFontDescription
{
    WORD pointSize = 8;
    bool hasMenu = false;
    WORD weight = FW_NORMAL;
    BYTE italic = 0;
    std::wstring faceName = L"Tahoma";
};

// One control of a template: its id and rectangle in dialog units.
struct DialogItemLayout
{
    DWORD id = 0;
    short x = 0;
    short y = 0;
    short cx = 0;
    short cy = 0;
};

// What the font normaliser needs of a dialog template, plain or extended form.
struct DialogTemplateLayout
{
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    short cx = 0;
    short cy = 0;
    DialogFontDescription font;
    std::vector<DialogItemLayout> items;

    // Whether a child window is the one this item created.
    bool Matches(const DialogItemLayout& item, int controlId) const;
};

// Reads a template of size bytes. Nothing is read outside them: a truncated
// or malformed template is not readable and gives no result.
std::optional<DialogTemplateLayout> ReadDialogTemplate(const void* data, size_t size);
// Reads the template resource id of module.
std::optional<DialogTemplateLayout> LoadDialogTemplate(HMODULE module, UINT id);

// The dialog-unit arithmetic, at a fixed resolution and for a measured font.
// A point size above 32767 is a negative number; its magnitude is used.
int FontHeightForPoints(WORD pointSize, double dpi);
// Base width from the extent of the 52 letters of the alphabet.
int BaseWidthFromAlphabetExtent(int extent);
// Truncated toward zero after adding 0.5.
int HorizontalUnitsToPixels(int units, double baseWidth);
int VerticalUnitsToPixels(int units, double baseHeight);
