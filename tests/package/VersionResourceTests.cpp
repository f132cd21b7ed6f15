#include "app/resource.h"
#include "tests/support/PanelProcess.h"
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <cwctype>
#include <string>
#include <vector>

namespace
{
const std::wstring kPanel = BinaryPath(L"GUI_KV58.exe");

// A program's version resource, read the way Explorer reads it.
class VersionInfo
{
public:
    explicit VersionInfo(const std::wstring& path)
    {
        DWORD ignored = 0;
        const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
        m_data.resize(size);
        if (size == 0 || !::GetFileVersionInfoW(path.c_str(), 0, size, m_data.data()))
            m_data.clear();
    }

    bool Loaded() const { return !m_data.empty(); }

    const VS_FIXEDFILEINFO* Fixed() const
    {
        return static_cast<const VS_FIXEDFILEINFO*>(Query(L"\\"));
    }

    // A string of the first language the resource lists.
    std::wstring String(const std::wstring& name) const
    {
        const auto* translation = static_cast<const WORD*>(Query(L"\\VarFileInfo\\Translation"));
        if (!translation)
            return L"(no translation)";
        wchar_t block[64];
        std::swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
        const auto* text = static_cast<const wchar_t*>(Query(block + name));
        return text ? text : L"(missing)";
    }

private:
    const void* Query(const std::wstring& path) const
    {
        void* value = nullptr;
        UINT length = 0;
        if (!Loaded() || !::VerQueryValueW(m_data.data(), path.c_str(), &value, &length) ||
            length == 0)
            return nullptr;
        return value;
    }

    std::vector<BYTE> m_data;
};

std::wstring Dotted(DWORD high)
{
    return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high));
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// An activation context made from a program's manifest, active while it lives.
class ActiveManifest
{
public:
    explicit ActiveManifest(const std::wstring& program)
    {
        ACTCTXW context{};
        context.cbSize = sizeof context;
        context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        context.lpSource = program.c_str();
        context.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
        m_context = ::CreateActCtxW(&context);
        if (m_context != INVALID_HANDLE_VALUE && !::ActivateActCtx(m_context, &m_cookie))
            m_cookie = 0;
    }
    ~ActiveManifest()
    {
        if (m_cookie)
            ::DeactivateActCtx(0, m_cookie);
        if (m_context != INVALID_HANDLE_VALUE)
            ::ReleaseActCtx(m_context);
    }
    ActiveManifest(const ActiveManifest&) = delete;
    ActiveManifest& operator=(const ActiveManifest&) = delete;

    bool Active() const { return m_cookie != 0; }

private:
    HANDLE m_context = INVALID_HANDLE_VALUE;
    ULONG_PTR m_cookie = 0;
};
} // namespace

TEST(PanelVersion, NamesTheProductAndOneVersionEverywhere)
{
    VersionInfo panel(kPanel);
    ASSERT_TRUE(panel.Loaded());
    const VS_FIXEDFILEINFO* fixed = panel.Fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(49, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

    // The texts say what the numbers say.
    EXPECT_EQ(panel.String(L"FileVersion"), Dotted(fixed->dwFileVersionMS));
    EXPECT_EQ(panel.String(L"ProductVersion"), Dotted(fixed->dwProductVersionMS));
    EXPECT_EQ(panel.String(L"ProductName"), L"Vostrand KV58 Control Panel");
    EXPECT_EQ(panel.String(L"CompanyName"), L"Vostrand");
    EXPECT_EQ(panel.String(L"OriginalFilename"), L"GUI_KV58.exe");
    EXPECT_EQ(panel.String(L"FileDescription"), L"Vostrand KV58 Control Panel");
}

TEST(PanelVersion, AboutBoxShowsTheVersionOfTheVersionResource)
{
    VersionInfo panel(kPanel);
    ASSERT_TRUE(panel.Loaded());
    const std::wstring version = panel.String(L"FileVersion");

    // The test program carries the panel's resources.
    HWND about = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUTBOX),
                                      nullptr, PlainDialogProc, 0);
    ASSERT_NE(about, nullptr);
    std::wstring shown;
    for (HWND child = ::GetWindow(about, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    {
        wchar_t text[128] = L"";
        ::GetWindowTextW(child, text, 128);
        if (std::wstring(text).starts_with(L"CPL Version:"))
            shown = text;
    }
    ::DestroyWindow(about);
    EXPECT_EQ(shown, L"CPL Version:  " + version);
}

TEST(PanelManifest, IsValidAndAsksForCommonControls6)
{
    // A manifest Windows cannot parse stops the program from starting at all.
    ActiveManifest manifest(kPanel);
    ASSERT_TRUE(manifest.Active()) << ::GetLastError();
    ACTCTX_SECTION_KEYED_DATA data{};
    data.cbSize = sizeof data;
    EXPECT_TRUE(::FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                           L"comctl32.dll", &data))
        << "no side-by-side common controls";
}

TEST(PanelManifest, ProgramsRunWithCommonControls6)
{
    // The test program has the panel's manifest, so its imports of the common
    // controls reach the library that the panel's reach: version 6, from the
    // side-by-side store, not the system folder's version 5.
    HMODULE comctl = nullptr;
    ASSERT_TRUE(::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                     reinterpret_cast<LPCWSTR>(&::InitCommonControlsEx), &comctl));
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(comctl, path, MAX_PATH);
    ASSERT_GT(length, 0u);
    std::wstring lower(path, length);
    for (wchar_t& c : lower)
        c = static_cast<wchar_t>(::towlower(c));
    EXPECT_NE(lower.find(L"\\winsxs\\"), std::wstring::npos) << lower;
    EXPECT_NE(lower.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.0."),
              std::wstring::npos)
        << lower;
}
