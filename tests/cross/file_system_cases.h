#pragma once

// What every file system of the program must do alike, as one table run by each platform's test program on
// its real file system in a temporary folder: files read and written byte for byte, whatever their names,
// and refusals with the same Japanese reason that leave every file as it was and nothing new behind.

#include "platform/file_failure.h"
#include "platform/toolkit.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace psa::testing {

// A file or folder in the case's folder before the call.
struct FolderEntry {
    std::u8string name;
    std::string bytes {};
    bool folder = false;
    bool readOnly = false;
};

enum class FileCall {
    Load,
    Save,
    SaveDropped, // written, then the writer dropped without a commit
};

struct FileSystemCase {
    const char *name;
    std::vector<FolderEntry> before;
    FileCall call;
    std::u8string target; // in the case's folder
    std::string bytes {}; // written by a save, or what a load must give
    std::u16string reason {}; // why it fails; empty when it succeeds
};

// Long enough to take several reads, with every byte value.
inline std::string manyBytes()
{
    std::string bytes(100'003, '\0');
    for (std::size_t at = 0; at < bytes.size(); ++at)
        bytes[at] = char(at * 7 % 256);
    return bytes;
}

inline const std::vector<FileSystemCase> &fileSystemCases()
{
    using namespace std::string_literals;
    const std::string record = " 2004, 11, 4.2\r\n\0\xff"s,
                      older = "older and longer than what replaces it\r\n";
    static const std::vector<FileSystemCase> cases {
        { "load: the bytes as they are", { { u8"x.csv", record } }, FileCall::Load, u8"x.csv", record },
        { "load: many reads", { { u8"x.csv", manyBytes() } }, FileCall::Load, u8"x.csv", manyBytes() },
        { "load: an empty file", { { u8"x.csv" } }, FileCall::Load, u8"x.csv" },
        { "load: a Japanese name", { { u8"記録 ２００４.csv", record } }, FileCall::Load,
            u8"記録 ２００４.csv", record },
        { "load: a missing file", { { u8"x.csv", record } }, FileCall::Load, u8"y.csv", {},
            u"ファイルが見つかりません。" },
        { "load: a folder", { { u8"sub", {}, true } }, FileCall::Load, u8"sub", {},
            u"ファイルではなくフォルダーです。" },
        { "save: a new file", {}, FileCall::Save, u8"x.csv", record },
        { "save: a new empty file", {}, FileCall::Save, u8"x.csv" },
        { "save: a new file with a Japanese name", {}, FileCall::Save, u8"記録 ２００４.csv", record },
        { "save: a longer file replaced byte for byte", { { u8"x.csv", older } }, FileCall::Save, u8"x.csv",
            record },
        { "save: a shorter file replaced", { { u8"x.bmp", "BM" } }, FileCall::Save, u8"x.bmp", manyBytes() },
        { "save: dropped, the old file stays", { { u8"x.csv", older } }, FileCall::SaveDropped, u8"x.csv",
            record, u"-" },
        { "save: dropped, no new file", {}, FileCall::SaveDropped, u8"x.csv", record, u"-" },
        { "save: over a folder", { { u8"sub", {}, true } }, FileCall::Save, u8"sub", record,
            std::u16string(failureReason(FileFailure::FolderInTheWay)) },
        { "save: into a missing folder", {}, FileCall::Save, u8"none/x.csv", record,
            u"保存先のフォルダーが見つかりません。" },
        { "save: a read-only file", { { u8"x.csv", older, false, true } }, FileCall::Save, u8"x.csv", record,
            std::u16string(failureReason(FileFailure::AccessDenied)) },
    };
    return cases;
}

namespace detail {

// A failure must say why; one that does not still counts as a failure.
inline std::u16string failed(std::u16string reason)
{
    return reason.empty() ? u"(no reason)" : reason;
}

inline std::string utf8(std::u16string_view text)
{
    const std::u8string bytes = std::filesystem::path(text).u8string();
    return { bytes.begin(), bytes.end() };
}

inline std::string contentsOf(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

// Every name in the folder, below it too, with its bytes; a folder as "(folder)".
inline std::map<std::u8string, std::string> listing(const std::filesystem::path &folder)
{
    std::map<std::u8string, std::string> names;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder))
        names[entry.path().lexically_relative(folder).generic_u8string()]
            = entry.is_directory() ? "(folder)" : contentsOf(entry.path());
    return names;
}

// Reads to the end; the reason when it failed.
inline std::u16string load(FileSystem &files, const std::filesystem::path &path, std::string &read)
{
    Opened<ByteReader> opened = files.openForReading(path.u16string());
    if (!opened)
        return failed(opened.reason());
    char buffer[4096];
    for (;;) {
        const Result<std::size_t> got = opened.value()->read(buffer, sizeof buffer);
        if (!got)
            return failed(got.reason());
        if (*got == 0)
            return {};
        read.append(buffer, *got);
    }
}

// Writes in two parts; the reason when it failed, "-" when dropped as asked.
inline std::u16string save(
    FileSystem &files, const std::filesystem::path &path, const std::string &bytes, bool commit)
{
    Opened<AtomicWriter> opened = files.createReplacing(path.u16string());
    if (!opened)
        return failed(opened.reason());
    AtomicWriter &writer = *opened.value();
    const std::string_view all = bytes;
    for (const std::string_view part : { all.substr(0, all.size() / 2), all.substr(all.size() / 2) })
        if (const Result<void> written = writer.write(part); !written)
            return failed(written.reason());
    if (!commit)
        return u"-";
    const Result<void> committed = writer.commit();
    return committed ? std::u16string() : failed(committed.reason());
}

} // namespace detail

// Runs the case in `folder`, an empty folder of its own, and says what went wrong; empty when all is well.
inline std::string runFileSystemCase(
    FileSystem &files, const FileSystemCase &row, const std::filesystem::path &folder)
{
    namespace fs = std::filesystem;
    const auto writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    for (const FolderEntry &entry : row.before) {
        const fs::path path = folder / entry.name;
        if (entry.folder) {
            fs::create_directories(path);
            continue;
        }
        std::ofstream(path, std::ios::binary) << entry.bytes;
        if (entry.readOnly)
            fs::permissions(path, writable, fs::perm_options::remove);
    }
    std::map<std::u8string, std::string> expected = detail::listing(folder);

    const fs::path target = folder / row.target;
    std::string read;
    const std::u16string reason = row.call == FileCall::Load
        ? detail::load(files, target, read)
        : detail::save(files, target, row.bytes, row.call == FileCall::Save);
    if (row.call == FileCall::Save && row.reason.empty())
        expected[row.target] = row.bytes;

    std::string wrong;
    if (reason != row.reason)
        wrong += "reason \"" + detail::utf8(reason) + "\", expected \"" + detail::utf8(row.reason) + "\"; ";
    if (row.call == FileCall::Load && row.reason.empty() && read != row.bytes)
        wrong += "read " + std::to_string(read.size()) + " bytes unlike the file's; ";
    if (detail::listing(folder) != expected)
        wrong += "the folder is not as expected afterwards; ";
    // So that the folder can be removed.
    for (const FolderEntry &entry : row.before)
        if (entry.readOnly)
            fs::permissions(folder / entry.name, writable, fs::perm_options::add);
    return wrong;
}

} // namespace psa::testing
