// The round trip on the Win32 surface and file system.
#include "platform/win32/dib_surface.h"
#include "platform/win32/win32_files.h"
#include "tests/cross/roundtrip.h"

#include <windows.h>

#include <shellapi.h>

int main()
{
    int count = 0;
    LPWSTR *arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::u16string> paths;
    for (int i = 1; i < count; ++i)
        paths.emplace_back(arguments[i], arguments[i] + wcslen(arguments[i]));
    LocalFree(arguments);
    psa::DibSurface surface;
    psa::Win32FileSystem files;
    return psa::cross::RoundTrip(paths, surface, files);
}
