#include "RunningPanel.h"
#include "framework/Gdi.h"
#include "tests/support/DpiOverride.h"
#include <cstring>
#include <gdiplus.h>
#include <memory>
#include <utility>
#include <vector>

namespace
{
// Paths in the source tree, seen from Wine's Z: drive.
std::wstring SourcePath(const wchar_t* relative)
{
    std::string root = KV58_SOURCE_DIR;
    std::wstring path = L"Z:" + std::wstring(root.begin(), root.end()) + L"/" + relative;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

// The panel's client area as the screen shows it, 32 bits per pixel.
struct Picture
{
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

Picture CaptureClient(HWND panel)
{
    RECT client{};
    ::GetClientRect(panel, &client);
    POINT origin{0, 0};
    ::ClientToScreen(panel, &origin);
    Picture picture{client.right, client.bottom, {}};
    picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    DWORD* bits = nullptr;
    HBITMAP bitmap = CreateTopDownSection(picture.width, picture.height, &bits);
    HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, picture.width, picture.height, screen, origin.x, origin.y, SRCCOPY);
    ::GdiFlush();
    if (bits)
        std::memcpy(picture.pixels.data(), bits, picture.pixels.size() * 4);
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return picture;
}

CLSID PngEncoder()
{
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<uint8_t> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, codecs);
    for (UINT i = 0; i < count; ++i)
        if (std::wstring(codecs[i].MimeType) == L"image/png")
            return codecs[i].Clsid;
    return CLSID{};
}

void SavePng(const Picture& picture, const std::wstring& path)
{
    Gdiplus::Bitmap bitmap(picture.width, picture.height, picture.width * 4, PixelFormat32bppRGB,
                           reinterpret_cast<BYTE*>(const_cast<uint32_t*>(picture.pixels.data())));
    const CLSID encoder = PngEncoder();
    bitmap.Save(path.c_str(), &encoder, nullptr);
}

Picture LoadPng(const std::wstring& path)
{
    Gdiplus::Bitmap bitmap(path.c_str());
    Picture picture;
    if (bitmap.GetLastStatus() != Gdiplus::Ok)
        return picture;
    picture.width = static_cast<int>(bitmap.GetWidth());
    picture.height = static_cast<int>(bitmap.GetHeight());
    picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
        {
            Gdiplus::Color color;
            bitmap.GetPixel(x, y, &color);
            picture.pixels[static_cast<size_t>(y) * picture.width + x] = color.GetValue() & 0xFFFFFF;
        }
    return picture;
}

bool Differs(uint32_t a, uint32_t b)
{
    for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 40)
            return true;
    return false;
}

class PanelScreenshot : public RunningPanel
{
protected:
    // The client area once the panel has painted all it had to: every
    // paint still owed is done at once (the panel's thread paints while
    // this waits), until two pictures in a row agree.
    static Picture SettledPicture(HWND panel)
    {
        Picture last;
        const ULONGLONG end = ::GetTickCount64() + 10000;
        for (;;)
        {
            ::RedrawWindow(panel, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            Picture now = CaptureClient(panel);
            for (uint32_t& pixel : now.pixels)
                pixel &= 0xFFFFFF;
            if (now.pixels == last.pixels || ::GetTickCount64() > end)
                return now;
            last = std::move(now);
            ::Sleep(100);
        }
    }

    // The shown panel against tests/reference/NAME.png, of the given size.
    static void ExpectPicture(HWND panel, const wchar_t* name, int width, int height)
    {
        ASSERT_TRUE(WaitFor([&] { return ::IsWindowEnabled(::GetDlgItem(panel, 1013)) != FALSE; }));
        // A pointer an earlier test left over a fader would light its thumb.
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
        Picture actual = SettledPicture(panel);
        const std::wstring file = std::wstring(name) + L".png";
        const std::wstring reference = SourcePath((L"tests/reference/" + file).c_str());
        if (::GetEnvironmentVariableW(L"KV58_UPDATE_REFERENCE", nullptr, 0) != 0)
            SavePng(actual, reference);

        const Picture expected = LoadPng(reference);
        ASSERT_EQ(expected.width, width) << "reference missing; run with KV58_UPDATE_REFERENCE=1";
        ASSERT_EQ(expected.height, height);
        ASSERT_EQ(actual.width, expected.width);
        ASSERT_EQ(actual.height, expected.height);
        size_t different = 0;
        for (size_t i = 0; i < actual.pixels.size(); ++i)
            different += Differs(actual.pixels[i], expected.pixels[i]);
        // The same share of the picture at every scale.
        const size_t allowed = 150 * actual.pixels.size() / (450 * 276);
        if (different > allowed)
            SavePng(actual, BinaryPath((std::wstring(name) + L"-actual.png").c_str()));
        EXPECT_LE(different, allowed)
            << "the panel differs from tests/reference/" << std::string(file.begin(), file.end())
            << "; see " << std::string(name, name + wcslen(name)) << "-actual.png";
    }
};
} // namespace

// The whole panel on the default simulated device against the committed
// picture. The tolerance absorbs anti-aliasing, not a control: the smallest
// one, a readout, covers 375 pixels.
TEST_F(PanelScreenshot, MatchesTheReferencePicture)
{
    HWND panel = Start();
    ASSERT_NE(panel, nullptr);
    ExpectPicture(panel, L"panel", 450, 276);
}

// At 150 % the panel is drawn from its own art, laid out 1.5 times as large.
TEST_F(PanelScreenshot, MatchesTheReferencePictureAt144Dpi)
{
    m_process = StartPanelAtDpi(144);
    HWND panel = WaitForPanelWindow();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(WaitFor([&] { return IsOnScreen(panel); }));
    ExpectPicture(panel, L"panel-144dpi", 675, 414);
}
