#include "XInput.h"
#include "PanelProcess.h"

namespace
{
bool HaveXdotool()
{
    return ::GetFileAttributesW(L"Z:\\usr\\bin\\xdotool") != INVALID_FILE_ATTRIBUTES;
}

// Starts the script with the host's shell and does not wait for it.
bool StartScript(const std::string& script)
{
    if (!HaveXdotool())
        return false;
    std::wstring commandLine =
        L"/bin/sh -c \"" + std::wstring(script.begin(), script.end()) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // For a host program Wine hands back no handles, only whatever lay on
    // its stack: closing those would close unrelated handles of this
    // process (its standard output among them), so they are left alone.
    return ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &info) != FALSE;
}

std::string MarkerName()
{
    static unsigned int counter = 0;
    return "kv58-xdotool-" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(++counter) + "-" + std::to_string(::GetTickCount64());
}
} // namespace

XdotoolRun::XdotoolRun(const std::string& script)
{
    const std::string name = MarkerName();
    m_marker = L"Z:\\tmp\\" + std::wstring(name.begin(), name.end());
    m_started = StartScript("{ " + script + "; } ; touch /tmp/" + name);
}

XdotoolRun::~XdotoolRun()
{
    // A script still running leaves its marker behind; it names no one else's.
    ::DeleteFileW(m_marker.c_str());
}

bool XdotoolRun::Finished() const
{
    return m_started && ::GetFileAttributesW(m_marker.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool XdotoolRun::Wait(DWORD timeoutMs) const
{
    return m_started && WaitFor([this] { return Finished(); }, timeoutMs);
}

bool RunXdotool(const std::string& script, DWORD timeoutMs)
{
    const XdotoolRun run(script);
    return run.Wait(timeoutMs);
}

bool PressKeysIn(const std::string& titlePattern, const std::string& keys)
{
    // Without a window manager the X focus stays where it is put.
    return StartScript("xdotool windowfocus --sync $(xdotool search --sync --name '" +
                       titlePattern + "' | head -n 1) && xdotool key " + keys);
}

bool ClickAt(POINT screen)
{
    return StartScript("xdotool mousemove --sync " + std::to_string(screen.x) + " " +
                       std::to_string(screen.y) + " click 1");
}
