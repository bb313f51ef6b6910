#include "platform/win32/command_line.h"

#include "app/command_line.h"
#include "platform/form1_design.h"
#include "platform/win32/dib_surface.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_writers.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <memory>
#include <optional>
#include <vector>

namespace psa {

namespace {

std::string utf8(std::u16string_view text)
{
    const std::wstring wide = toWide(text);
    const int size
        = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(std::size_t(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

// Nothing for bytes that are no UTF-8: Windows names are Unicode, so such a name names no file here.
std::optional<std::u16string> fromUtf8(std::string_view bytes)
{
    if (bytes.empty())
        return std::u16string();
    const int size
        = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()), nullptr, 0);
    if (size <= 0)
        return std::nullopt;
    std::wstring wide(std::size_t(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()), wide.data(), size);
    return toUtf16(wide);
}

// A file URI's path as a Windows path: "/C:/a/b.csv" is C:\a\b.csv.
std::optional<std::u16string> pathFromUri(std::string_view bytes)
{
    std::optional<std::u16string> path = fromUtf8(bytes);
    if (!path)
        return std::nullopt;
    if (path->size() >= 3 && (*path)[0] == u'/' && (*path)[2] == u':' && std::iswalpha(wint_t((*path)[1])))
        path->erase(0, 1);
    for (char16_t &c : *path)
        if (c == u'/')
            c = u'\\';
    return path;
}

std::vector<std::u16string> commandLineArguments()
{
    int count = 0;
    LPWSTR *arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::u16string> list;
    for (int i = 0; arguments && i < count; ++i)
        list.push_back(toUtf16(arguments[i]));
    LocalFree(arguments);
    return list;
}

std::optional<FileIdentity> identifyFile(std::u16string_view path)
{
    // A device is never opened, not even to look at it.
    if (path.empty() || isDevicePath(path))
        return std::nullopt;
    const std::wstring name = toWide(path);
    // Neither reading nor writing: only the file's attributes, which another program's lock allows.
    const HANDLE file = CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information {};
    const bool known = GetFileInformationByHandle(file, &information);
    const bool onDisk = GetFileType(file) == FILE_TYPE_DISK;
    CloseHandle(file);
    if (!known)
        return std::nullopt;
    return FileIdentity { information.dwVolumeSerialNumber,
        (std::uint64_t(information.nFileIndexHigh) << 32) | information.nFileIndexLow,
        onDisk && !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) };
}

// A usable handle the program was given (a pipe or a file), or the console of the command prompt that
// started it, or nothing.
class StandardStreams final : public TextStreams {
public:
    StandardStreams()
        : m_output(given(STD_OUTPUT_HANDLE))
        , m_error(given(STD_ERROR_HANDLE))
    {
        if ((m_output && m_error) || !AttachConsole(ATTACH_PARENT_PROCESS))
            return;
        if (!m_output)
            m_output = openConsole();
        if (!m_error)
            m_error = openConsole();
    }

    Result<void> writeOutput(std::u16string_view line) override
    {
        if (!m_output)
            return Failure { u"標準出力が閉じられています。" };
        // A handle of a stream closed before the program started is no handle at all.
        if (const DWORD error = write(m_output, line))
            return Failure { error == ERROR_INVALID_HANDLE ? u"標準出力が閉じられています。"
                                                           : reasonOf(error, u"書き込みに失敗しました") };
        return {};
    }

    void writeError(std::u16string_view line) override
    {
        if (m_error)
            write(m_error, line);
    }

private:
    static HANDLE given(DWORD which)
    {
        const HANDLE handle = GetStdHandle(which);
        return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }

    static HANDLE openConsole()
    {
        const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        return console == INVALID_HANDLE_VALUE ? nullptr : console;
    }

    // The console takes the text as it is; a pipe or a file gets UTF-8 with Windows' line ends. The error
    // of the failed write, or 0.
    static DWORD write(HANDLE stream, std::u16string_view line)
    {
        DWORD mode = 0;
        if (GetConsoleMode(stream, &mode)) {
            const std::wstring text = toWide(line) + L"\r\n";
            DWORD written = 0;
            return WriteConsoleW(stream, text.data(), DWORD(text.size()), &written, nullptr) ? 0
                                                                                             : GetLastError();
        }
        const std::string bytes = utf8(line) + "\r\n";
        std::size_t done = 0;
        while (done < bytes.size()) {
            DWORD written = 0;
            if (!WriteFile(stream, bytes.data() + done, DWORD(bytes.size() - done), &written, nullptr))
                return GetLastError();
            if (written == 0)
                return ERROR_WRITE_FAULT;
            done += written;
        }
        return 0;
    }

    HANDLE m_output;
    HANDLE m_error;
};

} // namespace

std::u16string runCommandLine()
{
    const CommandLineRequest request = parseCommandLine(commandLineArguments(), { utf8, pathFromUri });
    if (request.task == CommandLineRequest::Task::ShowWindow)
        return request.recordFile;
    StandardStreams streams;
    // One picture box for all the graphs of a batch, made at the first and cleared for each next one (drawing
    // a graph does not clear it), as white as a new one.
    std::unique_ptr<DibSurface> picture1;
    Win32FileSystem files;
    const GraphExporter exportOnDib = [&](std::u16string_view recordsPath, std::u16string_view bitmapPath) {
        if (!picture1)
            picture1 = std::make_unique<DibSurface>(design::kPicture1.width, design::kPicture1.height, 1);
        else
            picture1->Cls();
        return exportGraph(*picture1, files, identifyFile, recordsPath, bitmapPath);
    };
    ExitProcess(UINT(runWithoutWindow(request, streams, exportOnDib, identifyFile)));
}

} // namespace psa
