#include "app/graph_export.h"

#include "app/form1.h"
#include "platform/qt/qt_surface.h"
#include "records/cells.h"

#include <array>
#include <utility>

namespace psa {

namespace {

constexpr char16_t kNoRecords[] = u"」には記録が1件もないため、グラフを描けません。";

// The window as far as the handlers need it when nobody looks: the cells' texts, reported to the form as the
// real window reports them, and whether each button can be clicked. Geometry and looks are not kept.
class HeadlessWindow final : public Window {
public:
    Form1 *form = nullptr;

    [[nodiscard]] bool isEnabled(Button button) const { return m_enabled.at(std::size_t(button)); }

    void CreateCell(int) override { }
    void SetCellHeight(int, double) override { }
    void SetCellTop(int, double) override { }
    void SetCellLeft(int, double) override { }
    void SetCellWidth(int, double) override { }
    void SetCellFontSize(int, double) override { }
    void SetCellVisible(int, bool) override { }
    void SetCellEnabled(int, bool) override { }
    void SetCellFlat(int) override { }
    void SetCellText(int index, std::u16string_view text) override
    {
        if (std::exchange(m_texts.at(std::size_t(index)), std::u16string(text)) != text && form)
            form->Text1_Change(index);
    }
    [[nodiscard]] std::u16string CellText(int index) const override { return m_texts.at(std::size_t(index)); }
    void SetFocusToCell(int) override { }

    void SetButtonTop(Button, double) override { }
    void SetButtonLeft(Button, double) override { }
    void SetButtonEnabled(Button button, bool enabled) override
    {
        m_enabled.at(std::size_t(button)) = enabled;
    }
    void SetButtonBackColor(Button, Colour) override { }

private:
    // Cells as the window's design brings them, before start-up empties them.
    std::array<std::u16string, kCellCount + 1> m_texts = [] {
        std::array<std::u16string, kCellCount + 1> texts;
        texts.fill(u"Text1");
        return texts;
    }();
    std::array<bool, 10> m_enabled = [] {
        std::array<bool, 10> enabled;
        enabled.fill(true);
        return enabled;
    }();
};

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
    window.form = &form;
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
