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

// A folder's entries below it, by name, with their bytes; a folder as "(folder)".
using FolderEntries = std::map<std::u8string, std::string>;

enum class FileCall {
    Load,
    Save,
    SaveDropped, // written, then the writer dropped without a commit
    SaveReadOnly, // a save over the target, made read-only before
};

struct FileSystemCase {
    const char *name;
    FolderEntries before; // in the case's folder before the call
    FileCall call;
    std::u8string target; // in the case's folder
    std::string bytes {}; // written by a save, or what a load must give
    std::u16string reason {}; // why it fails; empty when it succeeds
};

inline const std::vector<FileSystemCase> &fileSystemCases()
{
    using namespace std::string_literals;
    const std::string record = " 2004, 11, 4.2\r\n\0\xff"s,
                      older = "older and longer than what replaces it\r\n";
    // Long enough to take several reads, with every byte value.
    std::string manyBytes(100'003, '\0');
    for (std::size_t at = 0; at < manyBytes.size(); ++at)
        manyBytes[at] = char(at * 7 % 256);
    static const std::vector<FileSystemCase> cases {
        { "load: many reads", { { u8"x.csv", manyBytes } }, FileCall::Load, u8"x.csv", manyBytes },
        { "load: an empty file", { { u8"x.csv", "" } }, FileCall::Load, u8"x.csv" },
        { "load: a Japanese name", { { u8"記録 ２００４.csv", record } }, FileCall::Load,
            u8"記録 ２００４.csv", record },
        { "load: a missing file", { { u8"x.csv", record } }, FileCall::Load, u8"y.csv", {},
            u"ファイルが見つかりません。" },
        { "load: a folder", { { u8"sub", "(folder)" } }, FileCall::Load, u8"sub", {},
            u"ファイルではなくフォルダーです。" },
        { "save: a new empty file", {}, FileCall::Save, u8"x.csv" },
        { "save: a new file with a Japanese name", {}, FileCall::Save, u8"記録 ２００４.csv", record },
        { "save: a longer file replaced byte for byte", { { u8"x.csv", older } }, FileCall::Save, u8"x.csv",
            record },
        { "save: a shorter file replaced", { { u8"x.bmp", "BM" } }, FileCall::Save, u8"x.bmp", manyBytes },
        { "save: dropped, the old file stays", { { u8"x.csv", older } }, FileCall::SaveDropped, u8"x.csv",
            record, u"-" },
        { "save: dropped, no new file", {}, FileCall::SaveDropped, u8"x.csv", record, u"-" },
        { "save: over a folder", { { u8"sub", "(folder)" } }, FileCall::Save, u8"sub", record,
            std::u16string(failureReason(FileFailure::FolderInTheWay)) },
        { "save: into a missing folder", {}, FileCall::Save, u8"none/x.csv", record,
            u"保存先のフォルダーが見つかりません。" },
        { "save: a read-only file", { { u8"x.csv", older } }, FileCall::SaveReadOnly, u8"x.csv", record,
            std::u16string(failureReason(FileFailure::AccessDenied)) },
    };
    return cases;
}

// Runs the case in `folder`, an empty folder of its own, and says what went wrong; empty when all is well.
inline std::string runFileSystemCase(
    FileSystem &files, const FileSystemCase &row, const std::filesystem::path &folder)
{
    namespace fs = std::filesystem;
    const auto listing = [&folder] {
        FolderEntries names;
        for (const auto &entry : fs::recursive_directory_iterator(folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            names[entry.path().lexically_relative(folder).generic_u8string()]
                = entry.is_directory() ? "(folder)" : std::string(std::istreambuf_iterator<char>(in), {});
        }
        return names;
    };
    for (const auto &[name, bytes] : row.before)
        if (bytes == "(folder)")
            fs::create_directories(folder / name);
        else
            std::ofstream(folder / name, std::ios::binary) << bytes;
    const fs::path target = folder / row.target;
    if (row.call == FileCall::SaveReadOnly)
        fs::permissions(target, fs::perms::owner_write, fs::perm_options::remove);

    // What the call did: empty when done, "-" when dropped as asked, else why it failed; a failure must say
    // why, and one that does not still counts as a failure. Reads to the end; writes in two parts.
    std::string read;
    const auto failed = [](const std::u16string &reason) { return reason.empty() ? u"(no reason)" : reason; };
    const std::u16string reason = [&]() -> std::u16string {
        if (row.call == FileCall::Load) {
            Opened<ByteReader> opened = files.openForReading(target.u16string());
            if (!opened)
                return failed(opened.reason());
            char buffer[4096];
            Result<std::size_t> got = 0;
            while ((got = opened.value()->read(buffer, sizeof buffer)) && *got > 0)
                read.append(buffer, *got);
            return got ? u"" : failed(got.reason());
        }
        Opened<AtomicWriter> opened = files.createReplacing(target.u16string());
        if (!opened)
            return failed(opened.reason());
        const std::string_view all = row.bytes;
        for (const std::string_view part : { all.substr(0, all.size() / 2), all.substr(all.size() / 2) })
            if (const Result<void> written = opened.value()->write(part); !written)
                return failed(written.reason());
        if (row.call == FileCall::SaveDropped)
            return u"-";
        const Result<void> committed = opened.value()->commit();
        return committed ? u"" : failed(committed.reason());
    }();
    FolderEntries expected = row.before;
    if (row.call == FileCall::Save && row.reason.empty())
        expected[row.target] = row.bytes;

    std::string wrong;
    const std::u8string shown = fs::path(reason).u8string();
    if (reason != row.reason || (reason.empty() && read != (row.call == FileCall::Load ? row.bytes : "")))
        wrong += "reason \"" + std::string(shown.begin(), shown.end()) + "\", read "
            + std::to_string(read.size()) + " bytes; ";
    if (listing() != expected)
        wrong += "the folder is not as expected afterwards; ";
    // So that the folder can be removed.
    if (row.call == FileCall::SaveReadOnly)
        fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
    return wrong;
}

} // namespace psa::testing
