// A plain dialog with no skin and no device: what any window costs to show.
// With -template, the panel's own template, taken from the panel's program
// beside this one: the same windows, each drawn by the system.
#include <windows.h>
#include <commctrl.h>
#include <cwchar>
#include <string>

namespace
{
constexpr int kPanelTemplate = 102;

INT_PTR CALLBACK BaselineProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_INITDIALOG)
    {
        // Its own title, so that nothing takes it for the panel.
        ::SetWindowTextW(dialog, L"KV58 baseline");
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
    {
        ::EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

HMODULE PanelProgram()
{
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    std::wstring folder(path, length);
    folder.erase(folder.find_last_of(L'\\') + 1);
    return ::LoadLibraryExW((folder + L"GUI_KV58.exe").c_str(), nullptr,
                            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}
} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    if (std::wcscmp(commandLine, L"-template") != 0)
        return static_cast<int>(
            ::DialogBoxParamW(instance, MAKEINTRESOURCEW(1), nullptr, BaselineProc, 0));
    // As the panel does: its template holds common controls.
    const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&classes);
    HMODULE panel = PanelProgram();
    if (!panel)
        return 1;
    return static_cast<int>(::DialogBoxParamW(panel, MAKEINTRESOURCEW(kPanelTemplate), nullptr,
                                              BaselineProc, 0));
}
