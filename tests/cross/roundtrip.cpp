#include "tests/cross/roundtrip.h"

#include "app/form1.h"
#include "records/cells.h"

#include <array>
#include <cstdio>
#include <deque>

namespace psa::cross {

namespace {

std::string narrow(std::u16string_view text)
{
    std::string out;
    for (char16_t c : text)
        out += c < 0x80 ? char(c) : '?';
    return out;
}

// The cells as texts; a changed text is reported at once, as the real windows do.
class ScreenlessWindow final : public Window {
public:
    Form1 *form = nullptr;

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
        std::u16string &cell = m_cells.at(std::size_t(index));
        if (cell == text)
            return;
        cell = text;
        if (form)
            form->Text1_Change(index);
    }
    [[nodiscard]] std::u16string CellText(int index) const override { return m_cells.at(std::size_t(index)); }
    void SetFocusToCell(int) override { }
    void SetButtonTop(Button, double) override { }
    void SetButtonLeft(Button, double) override { }
    void SetButtonEnabled(Button, bool) override { }
    void SetButtonBackColor(Button, Colour) override { }

private:
    std::array<std::u16string, kCellCount + 1> m_cells { { u"Text1" } };
};

// The file dialogs answer with the given paths in turn; messages go to stderr and count as failures.
class ScriptedDialogs final : public Dialogs {
public:
    std::deque<std::u16string> answers;
    int messages = 0;

    std::u16string ShowSave(const FileDialogRequest &) override
    {
        if (answers.empty())
            return {};
        std::u16string next = answers.front();
        answers.pop_front();
        return next;
    }
    MsgBoxAnswer AskYesNo(std::u16string_view, std::u16string_view) override { return MsgBoxAnswer::No; }
    void Inform(std::u16string_view message, std::u16string_view) override
    {
        ++messages;
        std::fprintf(stderr, "message: %s\n", narrow(message).c_str());
    }
    void EndProgram() override { }
};

} // namespace

int RoundTrip(const std::vector<std::u16string> &arguments, Surface &surface, FileSystem &files)
{
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: roundtrip RECORDS.csv SAVED.csv GRAPH.bmp\n");
        return 2;
    }
    ScreenlessWindow window;
    ScriptedDialogs dialogs;
    Form1 form(window, surface, dialogs, files);
    window.form = &form;
    form.Form_Load();
    for (int index = 1; index <= kCellCount; ++index)
        window.SetCellText(index, u"");
    form.OpenRecordFile(arguments[0]);
    dialogs.answers = { arguments[1], arguments[2] };
    form.Command3_Click();
    form.Command1_Click();
    form.Command2_Click();
    return dialogs.messages == 0 ? 0 : 1;
}

} // namespace psa::cross
