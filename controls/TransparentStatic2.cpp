#include "TransparentStatic2.h"

LRESULT CTransparentStatic2::OnSetText()
{
    const LRESULT result = Default();
    // Drawn now, not at the next idle paint: erase restores the background first.
    Invalidate(true);
    ::UpdateWindow(m_hWnd);
    return result;
}

void CTransparentStatic2::CaptureParentBackground()
{
    HWND parent = GetParent();
    RECT rect{};
    ::GetWindowRect(m_hWnd, &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;

    HDC parentDC = ::GetDC(parent);
    CDC memDC;
    if (memDC.CreateCompatibleDC(parentDC) && m_capturedBackground.CreateSection(width, height))
    {
        ScopedSelect select(memDC.GetSafeHdc(), m_capturedBackground.GetSafeHandle());
        memDC.BitBlt(0, 0, width, height, parentDC, rect.left, rect.top);
    }
    ::ReleaseDC(parent, parentDC);
}

void CTransparentStatic2::OnEraseBkgnd(HDC dc)
{
    if (!m_capturedBackground.GetSafeHandle())
    {
        // The first erase comes right after the parent painted its background,
        // which is what the screen shows here now.
        CaptureParentBackground();
        return;
    }
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    CDC memDC;
    if (!memDC.CreateCompatibleDC(dc))
        return;
    ScopedSelect select(memDC.GetSafeHdc(), m_capturedBackground.GetSafeHandle());
    ::BitBlt(dc, 0, 0, client.right, client.bottom, memDC.GetSafeHdc(), 0, 0, SRCCOPY);
}

bool CTransparentStatic2::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg != WM_CTLCOLORSTATIC)
        return CStatic::OnChildNotify(msg, wParam, lParam, result);
    // Glyphs only: nothing is filled behind the text.
    ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
    *result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
    return true;
}

LRESULT CTransparentStatic2::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_SETTEXT:
        return OnSetText();
    case WM_ERASEBKGND:
        OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
        return TRUE;
    }
    return CStatic::WindowProc(msg, wParam, lParam);
}
