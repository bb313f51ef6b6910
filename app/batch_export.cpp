#include "app/batch_export.h"

#include "files/record_file.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace psa {

namespace {

bool isSeparator(char16_t c)
{
    return c == u'/' || c == u'\\';
}

// The messages of one file's export as one line, so that each file is one line of standard error: a
// message's own line breaks ("...\n理由: ...") become spaces too.
std::u16string oneLine(const std::vector<std::u16string> &messages)
{
    std::u16string line;
    for (const std::u16string &message : messages) {
        if (!line.empty())
            line += u' ';
        line += message;
    }
    std::replace(line.begin(), line.end(), u'\n', u' ');
    return line;
}

struct Written {
    FileIdentity picture;
    std::u16string recordFile;
};

} // namespace

std::u16string batchPicturePath(
    std::u16string_view recordFile, std::u16string_view folder, const ExportFormatInfo &format)
{
    const std::size_t separator = recordFile.find_last_of(u"/\\");
    const std::size_t nameStart = separator == std::u16string_view::npos ? 0 : separator + 1;
    std::u16string_view name = recordFile.substr(nameStart);
    // A name that starts with its only dot (".csv") is all name: a hidden file's, not an extension.
    if (const std::size_t dot = name.rfind(u'.'); dot != std::u16string_view::npos && dot > 0)
        name = name.substr(0, dot);
    std::u16string picture;
    if (folder.empty()) {
        picture = recordFile.substr(0, nameStart);
    } else {
        picture = folder;
        if (!isSeparator(folder.back())) {
            // The separator the folder is written with; a forward slash serves on every system.
            const std::size_t last = folder.find_last_of(u"/\\");
            picture += last == std::u16string_view::npos ? u'/' : folder[last];
        }
    }
    return picture + std::u16string(name) + std::u16string(format.extension);
}

BatchOutcome exportBatch(const std::vector<std::u16string> &recordFiles, const ExportFormatInfo &format,
    std::u16string_view folder, const GraphExporter &exportGraph, const FileIdentifier &identify,
    DeferredSaves *deferred)
{
    BatchOutcome outcome;
    if (!folder.empty()) {
        const std::optional<FileIdentity> place = identify(folder);
        if (!place) {
            outcome.failed = recordFiles.size();
            outcome.lines.push_back(u"書き出し先のフォルダー「" + std::u16string(folder)
                + u"」がありません。何も書き出しませんでした。");
            return outcome;
        }
        if (place->regularFile) {
            outcome.failed = recordFiles.size();
            outcome.lines.push_back(u"書き出し先の「" + std::u16string(folder)
                + u"」はフォルダーではありません。何も書き出しませんでした。");
            return outcome;
        }
    }

    std::vector<std::pair<FileIdentity, std::u16string_view>> records;
    for (const std::u16string &recordFile : recordFiles)
        if (const std::optional<FileIdentity> identity = identify(recordFile))
            records.emplace_back(*identity, recordFile);

    std::vector<Written> written;
    // Each file's lines, kept by the file's place so that a save finished later is still said in order.
    std::vector<std::pair<std::size_t, std::u16string>> lines;
    struct Waiting {
        std::size_t file;
        std::u16string picture;
    };
    std::vector<Waiting> waiting;
    const auto finishWaiting = [&] {
        const std::vector<FinishedSave> finished = deferred->finish();
        for (std::size_t i = 0; i < waiting.size(); ++i) {
            const std::u16string &recordFile = recordFiles[waiting[i].file];
            const std::u16string &picture = waiting[i].picture;
            // A save the front end lost count of is not known to be written.
            const FinishedSave save = i < finished.size()
                ? finished[i]
                : FinishedSave { FinishedSave::State::Failed, u"書き込みを確かめられませんでした。", 0 };
            std::u16string reason;
            if (save.state == FinishedSave::State::Failed)
                reason = save.reason;
            else if (save.state == FinishedSave::State::SameAsEarlier)
                reason = u"この書き出しで先に「"
                    + recordFiles[waiting[std::min(save.earlier, waiting.size() - 1)].file]
                    + u"」のグラフを書いたファイルです。上書きしないよう、「" + recordFile
                    + u"」のグラフは書き出しませんでした。";
            if (!reason.empty()) {
                ++outcome.failed;
                lines.emplace_back(waiting[i].file, oneLine({ saveFailedMessage(picture, reason) }));
                continue;
            }
            ++outcome.written;
            if (const std::optional<FileIdentity> identity = identify(picture))
                written.push_back({ *identity, recordFile });
        }
        waiting.clear();
    };

    for (std::size_t file = 0; file < recordFiles.size(); ++file) {
        const std::u16string &recordFile = recordFiles[file];
        const std::u16string picture = batchPicturePath(recordFile, folder, format);
        const std::optional<FileIdentity> target = identify(picture);
        std::u16string refusal;
        if (target) {
            const auto isTarget = [&](const auto &entry) { return sameFile(entry.first, *target); };
            const auto wasWritten = [&](const Written &entry) { return sameFile(entry.picture, *target); };
            if (const auto record = std::find_if(records.begin(), records.end(), isTarget);
                record != records.end())
                refusal = u"記録ファイル「" + std::u16string(record->second)
                    + u"」と同じファイルです。記録を消さないよう、書き出しませんでした。";
            else if (const auto earlier = std::find_if(written.begin(), written.end(), wasWritten);
                     earlier != written.end())
                refusal = u"この書き出しで先に「" + earlier->recordFile
                    + u"」のグラフを書いたファイルです。上書きしないよう、「" + recordFile
                    + u"」のグラフは書き出しませんでした。";
        }
        if (!refusal.empty()) {
            ++outcome.failed;
            lines.emplace_back(file, oneLine({ saveFailedMessage(picture, refusal) }));
            continue;
        }
        const std::size_t waitingBefore = deferred ? deferred->waiting() : 0;
        const ExportOutcome exported = exportGraph(recordFile, picture);
        if (!exported.written) {
            ++outcome.failed;
            lines.emplace_back(file,
                exported.messages.empty() ? u"「" + recordFile + u"」のグラフを書き出せませんでした。"
                                          : oneLine(exported.messages));
            continue;
        }
        if (!exported.messages.empty())
            lines.emplace_back(file, oneLine(exported.messages));
        if (deferred && deferred->waiting() > waitingBefore) {
            waiting.push_back({ file, picture });
            // The file it replaces stands for the picture until then, so that a later record file of the
            // same picture is refused as it would be after the picture was written.
            if (target)
                written.push_back({ *target, recordFile });
            if (deferred->waiting() >= kSavesPerGroup)
                finishWaiting();
            continue;
        }
        ++outcome.written;
        if (const std::optional<FileIdentity> identity = identify(picture))
            written.push_back({ *identity, recordFile });
    }
    if (deferred && (!waiting.empty() || deferred->waiting() > 0))
        finishWaiting();
    std::stable_sort(lines.begin(), lines.end(),
        [](const auto &left, const auto &right) { return left.first < right.first; });
    for (auto &line : lines)
        outcome.lines.push_back(std::move(line.second));
    return outcome;
}

} // namespace psa
