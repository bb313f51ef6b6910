#include "platform/win32/win32_writers.h"

#include <algorithm>
#include <atomic>
#include <memory>

namespace psa {

namespace {

// Writes all of `bytes`, in pieces Windows accepts; false at the first piece that fails or falls short.
bool writeAll(FileCalls &calls, HANDLE file, std::string_view bytes)
{
    while (!bytes.empty()) {
        const DWORD piece = DWORD(std::min<std::size_t>(bytes.size(), 1u << 24));
        DWORD written = 0;
        if (!calls.write(file, bytes.data(), piece, written) || written == 0 || written > piece)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// Whether another program holds `target` open without letting others delete it, as a spreadsheet holds the
// file it shows. Replacing a file deletes the old one, and fails then with whatever error the last attempt
// met, often "access denied"; opening the file for deleting (which deletes nothing) tells a sharing problem
// from a real permission problem.
bool heldByAnotherProgram(FileCalls &calls, const std::wstring &target)
{
    const HANDLE probe = calls.create(
        target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        return false;
    }
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// A temporary file beside the target: only a successful Commit puts it in the target's place.
class TemporaryWriter final : public AtomicWriter {
public:
    TemporaryWriter(FileCalls &calls, std::wstring target, std::wstring temporary, HANDLE file, bool exists)
        : m_calls(calls)
        , m_target(std::move(target))
        , m_temporary(std::move(temporary))
        , m_file(file)
        , m_exists(exists)
    {
    }
    ~TemporaryWriter() override { discard(); }
    TemporaryWriter(const TemporaryWriter &) = delete;
    TemporaryWriter &operator=(const TemporaryWriter &) = delete;

    [[nodiscard]] Result<void> write(std::string_view bytes) override
    {
        if (m_done)
            return Failure { finishedReason(m_error) };
        if (!writeAll(m_calls, m_file, bytes))
            return fail(u"書き込みに失敗しました");
        return {};
    }

    [[nodiscard]] Result<void> commit() override
    {
        if (m_done)
            return Failure { finishedReason(m_error) };
        if (!m_calls.flush(m_file))
            return fail(u"書き込みに失敗しました");
        CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
        // Checked first as well: Wine's ReplaceFileW leaves empty staging files beside a target it fails to
        // replace.
        if (m_exists && heldByAnotherProgram(m_calls, m_target)) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return fail(u"ファイルを置き換えられませんでした");
        }
        if (!m_calls.replace(m_target.c_str(), m_temporary.c_str(), m_exists)) {
            const DWORD error = GetLastError();
            SetLastError(
                m_exists && heldByAnotherProgram(m_calls, m_target) ? DWORD(ERROR_SHARING_VIOLATION) : error);
            return fail(u"ファイルを置き換えられませんでした");
        }
        m_done = true;
        return {};
    }

private:
    Failure fail(std::u16string_view what)
    {
        const DWORD error = GetLastError();
        if (m_error.empty())
            m_error = reasonOf(error, what);
        discard();
        return Failure { m_error };
    }

    void discard()
    {
        if (m_done)
            return;
        m_done = true;
        if (m_file != INVALID_HANDLE_VALUE)
            CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
        DeleteFileW(m_temporary.c_str());
    }

    FileCalls &m_calls;
    std::wstring m_target;
    std::wstring m_temporary;
    HANDLE m_file;
    bool m_exists;
    bool m_done = false;
    std::u16string m_error;
};

// The target rewritten where it is, for a folder where no new file may be made. The old bytes stay in
// memory until the new ones are on the disk, and go back into the file when anything fails.
class InPlaceWriter final : public AtomicWriter {
public:
    InPlaceWriter(FileCalls &calls, HANDLE file, std::string old)
        : m_calls(calls)
        , m_file(file)
        , m_old(std::move(old))
    {
    }
    ~InPlaceWriter() override
    {
        if (!m_done && m_touched)
            (void)restore(); // nobody is left to tell
        CloseHandle(m_file);
    }
    InPlaceWriter(const InPlaceWriter &) = delete;
    InPlaceWriter &operator=(const InPlaceWriter &) = delete;

    [[nodiscard]] Result<void> write(std::string_view bytes) override
    {
        if (m_done)
            return Failure { finishedReason(m_error) };
        if (!m_touched) {
            m_touched = true;
            if (!rewind())
                return fail(u"書き込みに失敗しました");
        }
        if (!writeAll(m_calls, m_file, bytes))
            return fail(u"書き込みに失敗しました");
        return {};
    }

    [[nodiscard]] Result<void> commit() override
    {
        if (m_done)
            return Failure { finishedReason(m_error) };
        if (!m_touched && !rewind()) // nothing written: the file becomes empty
            return fail(u"書き込みに失敗しました");
        m_touched = true;
        if (!m_calls.flush(m_file))
            return fail(u"書き込みに失敗しました");
        m_done = true;
        return {};
    }

private:
    bool rewind()
    {
        LARGE_INTEGER start {};
        return SetFilePointerEx(m_file, start, nullptr, FILE_BEGIN) && SetEndOfFile(m_file);
    }

    // The same calls that just failed may fail again, but usually the old bytes fit where they were (a full
    // disk has their room). False when they could not be put back.
    bool restore() { return rewind() && writeAll(m_calls, m_file, m_old) && m_calls.flush(m_file); }

    Failure fail(std::u16string_view what)
    {
        const DWORD error = GetLastError();
        if (m_error.empty())
            m_error = reasonOf(error, what);
        if (!m_done && m_touched && !restore())
            m_error += u"\n元の内容に戻すこともできませんでした。";
        m_done = true;
        return Failure { m_error };
    }

    FileCalls &m_calls;
    HANDLE m_file;
    std::string m_old;
    bool m_touched = false;
    bool m_done = false;
    std::u16string m_error;
};

} // namespace

FileFailure failureOfError(DWORD error)
{
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return FileFailure::DiskFull;
    case ERROR_ACCESS_DENIED:
        return FileFailure::AccessDenied;
    case ERROR_WRITE_PROTECT:
        return FileFailure::ReadOnly;
    case ERROR_FILENAME_EXCED_RANGE:
        return FileFailure::NameTooLong;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return FileFailure::UsedByAnotherProgram;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_IO_DEVICE:
        return FileFailure::DeviceError;
    default:
        return FileFailure::Other;
    }
}

std::u16string reasonOf(DWORD error, std::u16string_view what)
{
    if (const std::u16string_view reason = failureReason(failureOfError(error)); !reason.empty())
        return std::u16string(reason);
    std::u16string reason(what);
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    if (length > 0 && text) {
        std::u16string detail(text, text + length);
        while (!detail.empty() && (detail.back() == u'\n' || detail.back() == u'\r' || detail.back() == u' '))
            detail.pop_back();
        if (!detail.empty())
            reason += u"（" + detail + u"）";
    }
    LocalFree(text);
    return reason + u"。";
}

Opened<AtomicWriter> openTemporaryWriter(FileCalls &calls, const std::wstring &target, bool targetExists)
{
    // A name of its own per attempt: a file left by a crashed run is never reused or overwritten.
    static std::atomic<unsigned> serial { 0 };
    DWORD createError = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 16 && createError == ERROR_FILE_EXISTS; ++attempt) {
        const std::wstring temporary = target + L"." + std::to_wstring(GetCurrentProcessId()) + L"-"
            + std::to_wstring(serial++) + L".tmp";
        const HANDLE file = calls.create(temporary.c_str(), GENERIC_WRITE, 0, CREATE_NEW);
        if (file != INVALID_HANDLE_VALUE)
            return std::make_unique<TemporaryWriter>(calls, target, temporary, file, targetExists);
        createError = GetLastError();
    }
    return Failure { reasonOf(createError, u"ファイルを作れませんでした") };
}

Opened<AtomicWriter> openInPlaceWriter(FileCalls &calls, const std::wstring &target)
{
    const HANDLE file
        = calls.create(target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE)
        return Failure { reasonOf(GetLastError(), u"ファイルを作れませんでした") };
    std::string old;
    char buffer[64 * 1024];
    for (DWORD count = 0;; old.append(buffer, count)) {
        if (!ReadFile(file, buffer, sizeof buffer, &count, nullptr)) {
            const DWORD error = GetLastError();
            CloseHandle(file);
            return Failure { reasonOf(error, u"元の内容を読み込めませんでした") };
        }
        if (count == 0)
            break;
    }
    return std::make_unique<InPlaceWriter>(calls, file, std::move(old));
}

} // namespace psa
