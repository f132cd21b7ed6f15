#pragma once
#include "../framework/Gdi.h"

// An off-screen drawing context for one scope: everything drawn into it
// reaches the target in a single copy when the scope ends. On a printer it
// draws straight into the target.
class CMemDC : public CDC
{
public:
    CMemDC(HDC target, const RECT& area);
    ~CMemDC() override;

    const RECT& Area() const { return m_area; }

private:
    CBitmap m_surfaceBitmap;
    HGDIOBJ m_previousBitmap = nullptr;
    HDC m_targetDC;
    RECT m_area{};
    BOOL m_isOffscreen = FALSE;
};
