#include "MemDC.h"

CMemDC::CMemDC(HDC target, const RECT& area) : m_targetDC(target)
{
    if (::GetDeviceCaps(target, TECHNOLOGY) == DT_RASPRINTER)
    {
        // A printer has no screen to flicker: draw into it directly.
        Attach(target);
        m_area = area;
        return;
    }
    m_isOffscreen = TRUE;
    CreateCompatibleDC(target);
    if (area.left == 0 && area.top == 0 && area.right == 0 && area.bottom == 0)
        ::GetClipBox(target, &m_area);
    else
        m_area = area;
    m_surfaceBitmap.CreateSection(m_area.right - m_area.left, m_area.bottom - m_area.top);
    m_previousBitmap = SelectObject(m_surfaceBitmap.GetSafeHandle());
    ::SetWindowOrgEx(m_hDC, m_area.left, m_area.top, nullptr);
}

CMemDC::~CMemDC()
{
    if (!m_isOffscreen)
    {
        // The printer's handles belong to the caller.
        Detach();
        return;
    }
    ::BitBlt(m_targetDC, m_area.left, m_area.top, m_area.right - m_area.left,
             m_area.bottom - m_area.top, m_hDC, m_area.left, m_area.top, SRCCOPY);
    SelectObject(m_previousBitmap);
}
