#include "../controls/TabOrder.h"
#include "../core/DeviceSummary.h"
#include "../core/VolumeMapping.h"
#include "GUI_KV58Dlg.h"
#include "resource.h"
#include <algorithm>
#include <cmath>

void CGUI_KV58Dlg::DescribeControls()
{
    const wchar_t* const faderNames[] = {L"Input left", L"Input right", L"Output left",
                                         L"Output right"};
    const std::array<FaderBinding, 4> bindings = FaderBindings();
    for (size_t i = 0; i < bindings.size(); ++i)
    {
        CPngSlider* fader = bindings[i].fader;
        FaderDescription& description = fader->m_description;
        description.name = faderNames[i];
        description.readout = bindings[i].readout->m_hWnd;
        description.positionOf = [fader](double decibels)
        {
            // Far beyond any range, so that the fader's clamp decides.
            const double volume = std::clamp(decibels * 256, -1e6, 1e6);
            return static_cast<long long>(PositionFromVolume(
                fader->m_rangeMin, fader->m_rangeMax, static_cast<int>(std::lround(volume))));
        };
        description.available = [this] { return m_state->open; };
    }
    m_btnMute1.m_accessibleName = L"Mute input";
    m_btnMute2.m_accessibleName = L"Mute output";
    m_btnLink1.m_accessibleName = L"Link input left and right";
    m_btnLink2.m_accessibleName = L"Link output left and right";
    m_cbInputSource.m_accessibleName = L"Input source";
    m_cbSampleRate.m_accessibleName = L"Sample rate";
    m_cbStreamingMode.m_accessibleName = L"USB streaming mode";
    m_cbAsioBuffer.m_accessibleName = L"ASIO buffer size";
    // A static text: screen readers read it, Tab passes it by.
    ::SetWindowTextW(m_noDevice.m_hWnd, kNoDeviceText);
}

void CGUI_KV58Dlg::StackControlsInReadingOrder()
{
    StackInTabOrder(m_hWnd,
                    {IDC_FADER_IN_LEFT, IDC_FADER_IN_RIGHT, IDC_LINK_INPUT, IDC_MUTE_INPUT,
                     IDC_FADER_OUT_LEFT, IDC_FADER_OUT_RIGHT, IDC_LINK_OUTPUT, IDC_MUTE_OUTPUT,
                     IDC_INPUT_SOURCE, IDC_SAMPLE_RATE, IDC_STREAMING_MODE, IDC_ASIO_BUFFER});
}
