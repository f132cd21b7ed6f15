#include "../core/TextEncoding.h"
#include "../device/UsbAudioApi.h"
#include "Kv58Ctl.h"
#include <windows.h>

namespace
{
void Write(DWORD which, const std::string& text)
{
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(which), text.data(), static_cast<DWORD>(text.size()), &written,
                nullptr);
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(Utf8(argv[i]));
    UsbAudioLibrary driver;
    CtlOutput output;
    const int code = RunKv58Ctl(args, driver.api(), SystemHidApi(), output);
    Write(STD_OUTPUT_HANDLE, output.out);
    Write(STD_ERROR_HANDLE, output.err);
    return code;
}
