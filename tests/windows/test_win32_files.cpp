#include "platform/win32/win32_files.h"

#include <doctest/doctest.h>

#include <windows.h>

#include <string>

namespace {

// A fresh folder under the temporary folder, removed with everything in it at the end of the test.
class Folder {
public:
    Folder()
    {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        static int serial = 0;
        path_ = std::wstring(base) + L"psa-test-" + std::to_wstring(GetCurrentProcessId()) + L"-"
            + std::to_wstring(++serial) + L"-記録";
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~Folder() { removeAll(path_); }
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;

    [[nodiscard]] std::u16string file(const std::wstring &name) const
    {
        const std::wstring full = path_ + L"\\" + name;
        return { full.begin(), full.end() };
    }
    // The names in the folder, sorted as Windows lists them.
    [[nodiscard]] int count() const
    {
        int found = 0;
        WIN32_FIND_DATAW entry;
        const HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE)
            return 0;
        do
            found += entry.cFileName[0] == L'.' ? 0 : 1;
        while (FindNextFileW(search, &entry));
        FindClose(search);
        return found;
    }

private:
    static void removeAll(const std::wstring &folder)
    {
        WIN32_FIND_DATAW entry;
        const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring full = folder + L"\\" + name;
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    removeAll(full);
                else
                    DeleteFileW(full.c_str());
            } while (FindNextFileW(search, &entry));
            FindClose(search);
        }
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring path_;
};

std::wstring wide(const std::u16string &text)
{
    return { text.begin(), text.end() };
}

void put(const std::u16string &path, const std::string &bytes)
{
    const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    REQUIRE(file != INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string contents(psa::FileSystem &files, const std::u16string &path)
{
    auto opened = files.OpenForReading(path);
    REQUIRE(opened.file);
    std::string out;
    char buffer[7]; // small, so that reading takes several calls
    for (std::ptrdiff_t n; (n = opened.file->Read(buffer, sizeof buffer)) > 0;)
        out.append(buffer, std::size_t(n));
    return out;
}

// The real calls, except the one chosen to fail with the given error.
struct FailingCalls final : psa::FileCalls {
    enum class Step { None, CreateTemporary, Write, SecondWrite, Flush, Replace } failing = Step::None;
    DWORD error = ERROR_DISK_FULL;
    int writes = 0;

    HANDLE Create(const wchar_t *path, DWORD access, DWORD share, DWORD disposition) override
    {
        if (failing == Step::CreateTemporary && disposition == CREATE_NEW)
            return SetLastError(ERROR_ACCESS_DENIED), INVALID_HANDLE_VALUE;
        return FileCalls::Create(path, access, share, disposition);
    }
    bool Write(HANDLE file, const char *bytes, DWORD size, DWORD &written) override
    {
        ++writes;
        if (failing == Step::Write || (failing == Step::SecondWrite && writes == 2)) {
            // What a full disk does: part of the bytes written, then the error.
            (void)FileCalls::Write(file, bytes, size / 2, written);
            return SetLastError(error), false;
        }
        return FileCalls::Write(file, bytes, size, written);
    }
    bool Flush(HANDLE file) override
    {
        return failing == Step::Flush ? (SetLastError(error), false) : FileCalls::Flush(file);
    }
    bool Replace(const wchar_t *target, const wchar_t *temporary, bool exists) override
    {
        return failing == Step::Replace ? (SetLastError(ERROR_ACCESS_DENIED), false)
                                        : FileCalls::Replace(target, temporary, exists);
    }
};

using Step = FailingCalls::Step;

} // namespace

TEST_CASE("saving replaces the file only when every step succeeded")
{
    Folder folder;
    const std::u16string path = folder.file(L"記録.csv");
    put(path, "old bytes");
    FailingCalls calls;
    psa::Win32FileSystem files(calls);

    SUBCASE("all steps succeed: the new bytes, no temporary file left")
    {
        auto writer = files.CreateReplacing(path);
        REQUIRE(writer.file);
        CHECK(writer.file->Write(" 2004, 11, 4.2\r\n"));
        CHECK(writer.file->Write(""));
        CHECK(contents(files, path) == "old bytes"); // nothing changes before the commit
        CHECK(writer.file->Commit());
        CHECK(contents(files, path) == " 2004, 11, 4.2\r\n");
        CHECK(folder.count() == 1);
    }
    SUBCASE("a new file")
    {
        auto writer = files.CreateReplacing(folder.file(L"新しい.bmp"));
        REQUIRE(writer.file);
        CHECK((writer.file->Write("BM") && writer.file->Commit()));
        CHECK(contents(files, folder.file(L"新しい.bmp")) == "BM");
    }
    for (const auto &[step, name] :
        { std::pair { Step::Write, "a write" }, { Step::SecondWrite, "a later write" },
            { Step::Flush, "the flush" }, { Step::Replace, "the replace" } }) {
        SUBCASE(name)
        {
            calls.failing = step;
            auto writer = files.CreateReplacing(path);
            REQUIRE(writer.file);
            const bool written = writer.file->Write("new ") && writer.file->Write("bytes");
            CHECK_FALSE((written && writer.file->Commit()));
            CHECK(contents(files, path) == "old bytes");
            CHECK(folder.count() == 1);
            CHECK(writer.file->ErrorText()
                == (step == Step::Replace ? u"アクセスする権限がありません。"
                                          : u"ディスクの空き容量が足りません。"));
            CHECK_FALSE(writer.file->Commit()); // a failed writer stays failed
        }
    }
    SUBCASE("a writer given up without a commit")
    {
        {
            auto writer = files.CreateReplacing(path);
            REQUIRE(writer.file);
            CHECK(writer.file->Write("half"));
        }
        CHECK(contents(files, path) == "old bytes");
        CHECK(folder.count() == 1);
    }
}

TEST_CASE("a folder where no file can be made: the file is rewritten in place, or left as it was")
{
    Folder folder;
    const std::u16string path = folder.file(L"graph.bmp");
    put(path, "old bytes, longer than the new ones");
    FailingCalls calls;
    calls.failing = Step::CreateTemporary;
    psa::Win32FileSystem files(calls);

    SUBCASE("every write succeeds")
    {
        auto writer = files.CreateReplacing(path);
        REQUIRE(writer.file);
        CHECK((writer.file->Write("new") && writer.file->Commit()));
        CHECK(contents(files, path) == "new");
    }
    SUBCASE("a write fails: the old bytes go back")
    {
        auto writer = files.CreateReplacing(path);
        REQUIRE(writer.file);
        calls.failing = Step::SecondWrite; // the write back of the old bytes, the third, succeeds
        CHECK(writer.file->Write("new "));
        CHECK_FALSE(writer.file->Write("bytes"));
        CHECK(contents(files, path) == "old bytes, longer than the new ones");
        CHECK(writer.file->ErrorText() == u"ディスクの空き容量が足りません。");
        writer.file.reset();
        CHECK(contents(files, path) == "old bytes, longer than the new ones");
    }
    SUBCASE("the flush fails: the old bytes go back")
    {
        auto writer = files.CreateReplacing(path);
        REQUIRE(writer.file);
        CHECK(writer.file->Write("new"));
        calls.failing = Step::Flush; // also when the old bytes are written back
        CHECK_FALSE(writer.file->Commit());
        CHECK(writer.file->ErrorText()
            == u"ディスクの空き容量が足りません。\n元の内容に戻すこともできませんでした。");
        calls.failing = Step::None;
        CHECK(contents(files, path) == "old bytes, longer than the new ones");
    }
    SUBCASE("given up without a commit: the old bytes go back")
    {
        auto writer = files.CreateReplacing(path);
        REQUIRE(writer.file);
        CHECK(writer.file->Write("new"));
        writer.file.reset();
        CHECK(contents(files, path) == "old bytes, longer than the new ones");
    }
    SUBCASE("a new file cannot be made there at all")
    {
        auto writer = files.CreateReplacing(folder.file(L"other.bmp"));
        CHECK_FALSE(writer.file);
        CHECK(writer.error == u"アクセスする権限がありません。");
    }
}

TEST_CASE("only disk files are replaced; everything else is refused and left alone")
{
    Folder folder;
    psa::Win32FileSystem files;
    const std::u16string inside = folder.file(L"records.csv");
    CreateDirectoryW(wide(inside).c_str(), nullptr);
    auto writer = files.CreateReplacing(inside);
    CHECK_FALSE(writer.file);
    CHECK(writer.error == u"同じ名前のフォルダーがあります。");
    CHECK((GetFileAttributesW(wide(inside).c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0);
    CHECK(files.OpenForReading(inside).error == u"ファイルではなくフォルダーです。");

    const std::u16string locked = folder.file(L"locked.csv");
    put(locked, "kept");
    SetFileAttributesW(wide(locked).c_str(), FILE_ATTRIBUTE_READONLY);
    CHECK(files.CreateReplacing(locked).error == u"アクセスする権限がありません。");
    CHECK(contents(files, locked) == "kept");

    for (const char16_t *device : { u"NUL", u"nul.csv", u"\\\\.\\NUL", u"C:\\data\\COM1.bmp", u"con " }) {
        CAPTURE(std::string(device, device + std::char_traits<char16_t>::length(device)));
        CHECK(files.CreateReplacing(device).error
            == u"装置ファイルです。保存先には通常のファイルを選んでください。");
        CHECK(files.OpenForReading(device).error == u"通常のファイルではありません。");
    }
    CHECK(files.CreateReplacing(u"\\\\.\\pipe\\psa").error
        == u"名前付きパイプです。保存先には通常のファイルを選んでください。");
    for (const char16_t *plain : { u"COM10.csv", u"console.csv", u"nuller", u"C:\\CON\\x.csv" })
        CHECK_FALSE(psa::IsDevicePath(plain));
    CHECK(files.OpenForReading(folder.file(L"missing.csv")).error == u"ファイルが見つかりません。");
    CHECK(files.CreateReplacing(folder.file(L"no\\such\\folder.csv")).error
        == u"保存先のフォルダーが見つかりません。");
}

TEST_CASE("Shift_JIS text decodes; other bytes do not")
{
    const psa::Win32FileSystem files;
    CHECK(files.DecodeShiftJis("\x83\x65\x83\x4c\x83\x58\x83\x67") == u"テキスト");
    CHECK(files.DecodeShiftJis("2004") == u"2004");
    CHECK_FALSE(files.DecodeShiftJis("\x83").has_value());
}
