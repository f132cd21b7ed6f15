#pragma once
#include <windows.h>
#include <map>
#include <string>
#include <vector>

// What one run of a console program of ours printed.
struct ToolResult
{
    DWORD exitCode = 0xFFFFFFFF; // also when it could not be started or did not end
    std::string out;
    std::string err;
};

// Runs a program built beside the test program and waits for its end.
ToolResult RunTool(const wchar_t* program, const std::wstring& arguments, DWORD timeoutMs = 15000);

// Runs kv58sim, the simulated device's command-line tool.
ToolResult RunSim(const std::wstring& arguments);
// `kv58sim state` as a map; empty when the tool failed.
std::map<std::string, std::string> SimState();
// `kv58sim log`, one entry per call.
std::vector<std::string> SimLog();
