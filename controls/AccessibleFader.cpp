#include "AccessibleControls.h"
#include "AccessibleObject.h"
#include "PngSlider.h"
#include <cmath>
#include <cwctype>

namespace
{
class CFaderAccessible : public CAccessibleObject
{
public:
    explicit CFaderAccessible(CPngSlider& fader) : CAccessibleObject(fader.m_hWnd), m_fader(fader)
    {
    }

private:
    const FaderDescription& Description() const { return m_fader.m_description; }

    std::wstring Name() const override { return Description().name; }
    LONG Role() const override { return ROLE_SYSTEM_SLIDER; }

    bool Value(std::wstring& value) const override
    {
        if (!Description().readout)
            return false;
        wchar_t text[32] = L"";
        ::GetWindowTextW(Description().readout, text, 32);
        value = std::wstring(text) + L" dB";
        return true;
    }

    bool Unavailable() const override
    {
        return !::IsWindowEnabled(Window()) ||
               (Description().available && !Description().available());
    }

    HRESULT SetValue(const std::wstring& text) override
    {
        double decibels = 0;
        if (!Description().positionOf || !ParseDecibels(text, decibels))
            return E_INVALIDARG;
        // A key step's way: the fader clamps, redraws and tells the panel.
        m_fader.StepTo(Description().positionOf(decibels));
        return S_OK;
    }

    CPngSlider& m_fader;
};
} // namespace

CAccessibleObject* NewFaderAccessible(CPngSlider& fader)
{
    return new CFaderAccessible(fader);
}

bool ParseDecibels(const std::wstring& text, double& decibels)
{
    std::wstring number = text;
    auto trim = [&number]
    {
        while (!number.empty() && std::iswspace(number.back()))
            number.pop_back();
        while (!number.empty() && std::iswspace(number.front()))
            number.erase(number.begin());
    };
    trim();
    if (number.size() >= 2 && std::towlower(number[number.size() - 2]) == L'd' &&
        std::towlower(number.back()) == L'b')
        number.resize(number.size() - 2);
    trim();
    if (number.empty())
        return false;
    wchar_t* end = nullptr;
    const double value = std::wcstod(number.c_str(), &end);
    if (end != number.c_str() + number.size() || !std::isfinite(value))
        return false;
    decibels = value;
    return true;
}
