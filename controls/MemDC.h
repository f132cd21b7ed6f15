#pragma once
#include "../framework/Gdi.h"

// An off-screen drawing context for one scope: everything drawn into it, in
// the target's coordinates, reaches the target in a single copy when the
// scope ends. On a printer it draws straight into the target.
class CMemDC : public CDC
{
public:
    // An all-zero area stands for the target's clip box.
    CMemDC(HDC target, const RECT& area);
    ~CMemDC() override;
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    const RECT& Area() const { return m_area; }
    bool IsOffscreen() const { return m_isOffscreen != FALSE; }

private:
    CBitmap m_surfaceBitmap;
    HGDIOBJ m_previousBitmap = nullptr;
    HDC m_targetDC;
    RECT m_area{};
    BOOL m_isOffscreen = FALSE;
};
