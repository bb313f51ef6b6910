#include "app/graph_export.h"

#include "app/form1.h"
#include "app/headless_window.h"
#include "platform/qt/qt_surface.h"

#include <utility>

namespace psa {

namespace {

constexpr char16_t kNoRecords[] = u"」には記録が1件もないため、グラフを描けません。";

// The file dialog names the bitmap; every message is kept for the caller.
class ExportDialogs final : public Dialogs {
public:
    explicit ExportDialogs(std::u16string_view bitmapPath)
        : m_bitmapPath(bitmapPath)
    {
    }

    std::vector<std::u16string> messages;

    [[nodiscard]] std::u16string ShowSave(const FileDialogRequest &) override { return m_bitmapPath; }
    [[nodiscard]] MsgBoxAnswer AskYesNo(std::u16string_view, std::u16string_view) override
    {
        return MsgBoxAnswer::No;
    }
    void Inform(std::u16string_view message, std::u16string_view) override { messages.emplace_back(message); }
    void EndProgram() override { }

private:
    std::u16string m_bitmapPath;
};

} // namespace

ExportOutcome ExportGraph(FileSystem &files, std::u16string_view recordsPath, std::u16string_view bitmapPath)
{
    HeadlessWindow window;
    ImageSurface picture1(ImageSurface::kDefaultSize, 1);
    ExportDialogs dialogs(bitmapPath);
    Form1 form(window, picture1, dialogs, files);
    window.onCellChanged = [&form](int index) { form.Text1_Change(index); };
    form.Form_Load();

    ExportOutcome outcome;
    form.OpenRecordFile(recordsPath);
    // A load that succeeded is the one that makes "グラフ表示" available.
    if (window.isEnabled(Button::Command1)) {
        form.Command1_Click();
        // Without records the window draws nothing and leaves no graph to save.
        if (window.isEnabled(Button::Command2)) {
            const std::size_t before = dialogs.messages.size();
            form.Command2_Click();
            outcome.written = dialogs.messages.size() == before;
        } else {
            dialogs.messages.push_back(u"ファイル「" + std::u16string(recordsPath) + kNoRecords);
        }
    }
    outcome.messages = std::move(dialogs.messages);
    return outcome;
}

} // namespace psa
