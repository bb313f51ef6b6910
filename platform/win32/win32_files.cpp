#include "platform/win32/win32_files.h"

#include "platform/win32/win32_writers.h"

#include <algorithm>
#include <array>
#include <memory>

namespace psa {

namespace {

constexpr char16_t kNotRegular[] = u"通常のファイルではありません。";
constexpr std::u16string_view kChooseRegularFile = u"保存先には通常のファイルを選んでください。";

// Why a save to this non-disk target is refused, with its kind named where Windows tells it.
std::u16string notRegularReason(DWORD type, bool pipeName)
{
    std::u16string kind = kNotRegular;
    if (type == FILE_TYPE_PIPE || pipeName)
        kind = u"名前付きパイプです。";
    else if (type == FILE_TYPE_CHAR)
        kind = u"装置ファイルです。";
    return kind + std::u16string(kChooseRegularFile);
}

bool isPipeName(std::u16string_view path)
{
    std::u16string start;
    for (char16_t c : path.substr(0, 9))
        start += c == u'/' ? u'\\' : c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
    return start == u"\\\\.\\pipe\\";
}

class Win32ByteReader final : public ByteReader {
public:
    explicit Win32ByteReader(HANDLE file)
        : m_file(file)
    {
    }
    ~Win32ByteReader() override { CloseHandle(m_file); }
    Win32ByteReader(const Win32ByteReader &) = delete;
    Win32ByteReader &operator=(const Win32ByteReader &) = delete;

    [[nodiscard]] Result<std::size_t> read(char *buffer, std::size_t size) override
    {
        DWORD count = 0;
        const DWORD asked = DWORD(std::min<std::size_t>(size, 1u << 30));
        if (!ReadFile(m_file, buffer, asked, &count, nullptr))
            return Failure { reasonOf(GetLastError(), u"読み込み中にエラーが発生しました") };
        return std::size_t(count);
    }

private:
    HANDLE m_file;
};

char16_t upper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c;
}

// What a handle opened on `path` is: a disk file, or anything else (a pipe, a console, a device), which is
// refused. A disk file when it cannot be opened: the real open reports its own reason.
DWORD fileTypeOf(FileCalls &calls, const std::wstring &path)
{
    const HANDLE probe = calls.create(path.c_str(), FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (probe == INVALID_HANDLE_VALUE)
        return FILE_TYPE_DISK;
    const DWORD type = GetFileType(probe);
    CloseHandle(probe);
    return type;
}

} // namespace

bool isDevicePath(std::u16string_view path)
{
    if (path.starts_with(u"\\\\.\\") || path.starts_with(u"//./") || path.starts_with(u"\\\\?\\GLOBALROOT"))
        return true;
    const std::size_t slash = path.find_last_of(u"\\/:");
    std::u16string_view name = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
    // "NUL.csv" and "nul " name the device as well: what counts is the part before the first dot.
    name = name.substr(0, std::min(name.find(u'.'), name.size()));
    while (!name.empty() && name.back() == u' ')
        name.remove_suffix(1);
    std::u16string base;
    for (char16_t c : name)
        base += upper(c);
    static constexpr std::array<std::u16string_view, 6> kDevices
        = { u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$" };
    if (std::find(kDevices.begin(), kDevices.end(), base) != kDevices.end())
        return true;
    return base.size() == 4 && (base.starts_with(u"COM") || base.starts_with(u"LPT")) && base[3] >= u'1'
        && base[3] <= u'9';
}

HANDLE FileCalls::create(const wchar_t *path, DWORD access, DWORD share, DWORD disposition)
{
    return CreateFileW(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool FileCalls::write(HANDLE file, const char *bytes, DWORD size, DWORD &written)
{
    return WriteFile(file, bytes, size, &written, nullptr) != 0;
}

bool FileCalls::flush(HANDLE file)
{
    return FlushFileBuffers(file) != 0;
}

bool FileCalls::replace(const wchar_t *target, const wchar_t *temporary, bool targetExists)
{
    // ReplaceFileW keeps the old file's attributes and permissions; a new file simply moves into place.
    if (targetExists
        && ReplaceFileW(target, temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return true;
    return MoveFileExW(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

Win32FileSystem::Win32FileSystem(FileCalls &calls)
    : m_calls(calls)
{
}

Win32FileSystem::Win32FileSystem()
    : m_calls([]() -> FileCalls & {
        static FileCalls real;
        return real;
    }())
{
}

Opened<ByteReader> Win32FileSystem::openForReading(std::u16string_view path)
{
    if (path.empty())
        return Failure { u"ファイル名が空です。" };
    // A device could block or never end; records are only ever kept in plain files.
    if (isDevicePath(path))
        return Failure { kNotRegular };
    const std::wstring name = toWide(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return Failure { u"ファイルが見つかりません。" };
        return Failure { reasonOf(error, u"ファイルを開けませんでした") };
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return Failure { u"ファイルではなくフォルダーです。" };
    const HANDLE file
        = m_calls.create(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE)
        return Failure { reasonOf(GetLastError(), u"ファイルを開けませんでした") };
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return Failure { kNotRegular };
    }
    return std::make_unique<Win32ByteReader>(file);
}

Opened<AtomicWriter> Win32FileSystem::createReplacing(std::u16string_view path)
{
    if (path.empty())
        return Failure { u"ファイル名が空です。" };
    if (isDevicePath(path))
        return Failure { notRegularReason(FILE_TYPE_CHAR, isPipeName(path)) };
    const std::wstring name = toWide(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Failure { u"同じ名前のフォルダーがあります。" };
    // A read-only file is one the user may not write, whatever the folder allows.
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY))
        return Failure { u"アクセスする権限がありません。" };
    if (const DWORD type = exists ? fileTypeOf(m_calls, name) : FILE_TYPE_DISK; type != FILE_TYPE_DISK)
        return Failure { notRegularReason(type, false) };

    std::wstring full(MAX_PATH, L'\0');
    wchar_t *namePart = nullptr;
    DWORD length = GetFullPathNameW(name.c_str(), DWORD(full.size()), full.data(), &namePart);
    if (length >= full.size()) {
        full.resize(length + 1);
        length = GetFullPathNameW(name.c_str(), DWORD(full.size()), full.data(), &namePart);
    }
    if (length == 0 || !namePart)
        return Failure { reasonOf(GetLastError(), u"ファイル名が正しくありません") };
    full.resize(length);
    const std::wstring folder = full.substr(0, full.size() - std::wcslen(namePart));
    const DWORD folderAttributes = GetFileAttributesW(folder.c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES || !(folderAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return Failure { u"保存先のフォルダーが見つかりません。" };

    Opened<AtomicWriter> opened = openTemporaryWriter(m_calls, full, exists);
    if (opened || !exists)
        return opened;
    // No file can be made beside it; the file itself may still be writable.
    Opened<AtomicWriter> inPlace = openInPlaceWriter(m_calls, full);
    return inPlace ? std::move(inPlace) : std::move(opened);
}

std::optional<std::u16string> Win32FileSystem::decodeShiftJis(std::string_view bytes) const
{
    if (bytes.empty())
        return std::u16string();
    if (bytes.size() > 0x7FFFFFFF)
        return std::nullopt;
    constexpr UINT kShiftJis = 932;
    const int size = int(bytes.size());
    const int needed = MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (needed <= 0)
        return std::nullopt;
    std::wstring text(std::size_t(needed), L'\0');
    MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, bytes.data(), size, text.data(), needed);
    return std::u16string(text.begin(), text.end());
}

} // namespace psa
