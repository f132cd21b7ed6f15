#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

extern const wchar_t kPanelTitle[];

// Path of a program built beside the test program.
std::wstring BinaryPath(const wchar_t* fileName);

// One started program of ours, ended when the object goes if still running.
class ChildProcess
{
public:
    ChildProcess(const std::wstring& program, const std::wstring& arguments);
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_process != nullptr; }
    DWORD Id() const { return m_id; }
    HANDLE Handle() const { return m_process; }
    // True when the process ended within the time.
    bool WaitExit(DWORD timeoutMs) const;
    bool IsRunning() const { return !WaitExit(0); }

private:
    HANDLE m_process = nullptr;
    DWORD m_id = 0;
};

ChildProcess StartPanel(const std::wstring& arguments = L"");

// Top-level windows titled as the panel, visible or not.
std::vector<HWND> PanelWindows();
// Polls for the panel's window; null when none appeared in time.
HWND WaitForPanelWindow(DWORD timeoutMs = 10000);
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
// Ends every panel still running, so that each test starts alone.
void EndAllPanels();
// A window's text as its own process answers it: for another process's
// window GetWindowText gives only the caption the system keeps, not a combo
// box's edit text. Empty when the window does not answer.
std::wstring RemoteWindowText(HWND window);
// Picks the item of the panel's combo box that carries the value, as the
// user's click would; posted, so that a box the change shows does not hold
// the caller. False when no item carries it.
bool ChooseItem(HWND panel, int id, DWORD_PTR value);
