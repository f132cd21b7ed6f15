#include "SimulatorTool.h"
#include "PanelProcess.h"
#include <thread>

namespace
{
// Reads a pipe to its end; on its own thread, so that neither pipe can fill
// up while the other is read.
void ReadAll(HANDLE pipe, std::string& text)
{
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}
} // namespace

ToolResult RunTool(const wchar_t* program, const std::wstring& arguments, DWORD timeoutMs)
{
    ToolResult result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!::CreatePipe(&outRead, &outWrite, &inherit, 0))
        return result;
    if (!::CreatePipe(&errRead, &errWrite, &inherit, 0))
    {
        ::CloseHandle(outRead);
        ::CloseHandle(outWrite);
        return result;
    }
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);

    const std::wstring path = BinaryPath(program);
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION info{};
    const bool started = ::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                          0, nullptr, nullptr, &startup, &info);
    ::CloseHandle(outWrite);
    ::CloseHandle(errWrite);
    if (started)
    {
        std::thread errReader(ReadAll, errRead, std::ref(result.err));
        ReadAll(outRead, result.out);
        errReader.join();
        if (::WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(info.hProcess, &result.exitCode);
        else
            ::TerminateProcess(info.hProcess, 1);
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
    }
    ::CloseHandle(outRead);
    ::CloseHandle(errRead);
    return result;
}

ToolResult RunSim(const std::wstring& arguments)
{
    return RunTool(L"kv58sim.exe", arguments);
}

std::map<std::string, std::string> SimState()
{
    std::map<std::string, std::string> state;
    const ToolResult result = RunSim(L"state");
    if (result.exitCode != 0)
        return state;
    for (const std::string& line : Lines(result.out))
    {
        const size_t equals = line.find('=');
        if (equals != std::string::npos)
            state[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return state;
}

std::vector<std::string> SimLog()
{
    return Lines(RunSim(L"log").out);
}
