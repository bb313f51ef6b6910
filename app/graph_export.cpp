#include "app/graph_export.h"

#include "app/form1.h"
#include "app/headless_window.h"
#include "files/record_file.h"
#include "platform/guarded_run.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace psa {

namespace {

constexpr char16_t kNoRecords[] = u"」には記録が1件もないため、グラフを描けません。";
constexpr std::u16string_view kNotABitmap
    = u"同じ名前のファイルがすでにあり、ビットマップ画像ではありません。"
      u"ほかのデータを消さないよう、置き換えませんでした。"
      u"別の名前を指定してください。";
constexpr std::u16string_view kCannotCheck
    = u"ビットマップ画像かどうかを確かめられないため、置き換えませんでした。";

// The file header (14 bytes) and the size of the information header after it, which tells the known kinds
// of Windows bitmap apart.
constexpr std::size_t kHeadBytes = 18;
constexpr std::array<std::uint32_t, 8> kInfoHeaderSizes { 12, 16, 40, 52, 56, 64, 108, 124 };

bool isBitmapHead(std::string_view head)
{
    if (head.size() < kHeadBytes || head[0] != 'B' || head[1] != 'M')
        return false;
    std::uint32_t infoSize = 0;
    for (std::size_t i = 0; i < 4; ++i)
        infoSize |= std::uint32_t(static_cast<unsigned char>(head[14 + i])) << (8 * i);
    return std::find(kInfoHeaderSizes.begin(), kInfoHeaderSizes.end(), infoSize) != kInfoHeaderSizes.end();
}

// Whether the export may write to `bitmapPath`, or why not. A name where no file is yet, or something the
// save itself refuses (a folder, a device, a pipe), is left to the save.
Result<void> mayReplace(FileSystem &files, const FileIdentifier &identify, std::u16string_view recordsPath,
    std::u16string_view bitmapPath)
{
    const std::optional<FileIdentity> target = identify(bitmapPath);
    if (!target || !target->regularFile)
        return {};
    if (const std::optional<FileIdentity> records = identify(recordsPath);
        records && sameFile(*records, *target))
        return Failure { saveFailedMessage(bitmapPath,
            u"記録ファイル「" + std::u16string(recordsPath)
                + u"」と同じファイルです。記録を消さないよう、書き出しませんでした。") };

    Opened<ByteReader> opened = files.openForReading(bitmapPath);
    if (!opened)
        return Failure { saveFailedMessage(bitmapPath, opened.reason() + std::u16string(kCannotCheck)) };
    std::string head(kHeadBytes, '\0');
    std::size_t filled = 0;
    while (filled < head.size()) {
        const Result<std::size_t> count = opened.value()->read(head.data() + filled, head.size() - filled);
        if (!count)
            return Failure { saveFailedMessage(bitmapPath, count.reason() + std::u16string(kCannotCheck)) };
        if (*count == 0)
            break;
        filled += *count;
    }
    head.resize(filled);
    if (head.empty() || isBitmapHead(head))
        return {};
    return Failure { saveFailedMessage(bitmapPath, kNotABitmap) };
}

// The file dialog names the bitmap; every message is kept for the caller.
class ExportDialogs final : public Dialogs {
public:
    explicit ExportDialogs(std::u16string_view bitmapPath)
        : m_bitmapPath(bitmapPath)
    {
    }

    std::vector<std::u16string> messages;

    [[nodiscard]] std::u16string ShowSave(const FileDialogRequest &) override { return m_bitmapPath; }
    [[nodiscard]] MsgBoxAnswer askYesNo(std::u16string_view, std::u16string_view) override
    {
        return MsgBoxAnswer::No;
    }
    void inform(std::u16string_view message, std::u16string_view) override { messages.emplace_back(message); }
    void endProgram() override { }

private:
    std::u16string m_bitmapPath;
};

} // namespace

ExportOutcome exportGraph(Surface &picture1, FileSystem &files, const FileIdentifier &identify,
    std::u16string_view recordsPath, std::u16string_view bitmapPath)
{
    HeadlessWindow window;
    ExportDialogs dialogs(bitmapPath);
    Form1 form(window, picture1, dialogs, files);
    window.onCellChanged = [&form](int index) { form.Text1_Change(index); };
    form.Form_Load();

    ExportOutcome outcome;
    // An unexpected failure anywhere on the way is said like the window says it, and writes nothing more.
    runGuarded(dialogs, [&] {
        form.openRecordFile(recordsPath);
        // A load that succeeded is the one that makes "グラフ表示" available.
        if (!window.isEnabled(Button::Command1))
            return;
        form.Command1_Click();
        // Without records the window draws nothing and leaves no graph to save.
        if (!window.isEnabled(Button::Command2)) {
            dialogs.messages.push_back(u"ファイル「" + std::u16string(recordsPath) + kNoRecords);
        } else if (const Result<void> allowed = mayReplace(files, identify, recordsPath, bitmapPath);
                   !allowed) {
            dialogs.messages.push_back(allowed.reason());
        } else {
            const std::size_t before = dialogs.messages.size();
            form.Command2_Click();
            outcome.written = dialogs.messages.size() == before;
        }
    });
    outcome.messages = std::move(dialogs.messages);
    return outcome;
}

} // namespace psa
