#pragma once

#include "platform/toolkit.h"
#include "records/cells.h"

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace psa::testing {

// The window's cells and buttons as plain values; the layout is left to the real window's tests. Setting a
// different cell text calls `onCellChanged` at once, as the real window does. Every button operation is
// logged in order, so tests can check Enabled before BackColor.
class FakeWindow : public Window {
public:
    struct ButtonState {
        bool enabled = true;
    };
    struct ButtonOperation {
        Button button;
        bool isEnabled; // true: SetButtonEnabled, false: SetButtonBackColor
        bool enabled;
        Colour colour;
    };

    FakeWindow() { cells.fill(u"Text1"); }
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
        if (std::exchange(cells.at(index), std::u16string(text)) != text && onCellChanged)
            onCellChanged(index);
    }
    [[nodiscard]] std::u16string CellText(int index) const override { return cells.at(index); }
    void SetFocusToCell(int index) override { focusedCell = index; }
    void SetButtonTop(Button, double) override { }
    void SetButtonLeft(Button, double) override { }
    void SetButtonEnabled(Button button, bool on) override
    {
        buttons.at(std::size_t(button)).enabled = on;
        buttonLog.push_back({ button, true, on, {} });
    }
    void SetButtonBackColor(Button button, Colour colour) override
    {
        buttonLog.push_back({ button, false, false, colour });
    }
    // What a user typing does: the text changes and the change is handled.
    void type(int index, std::u16string_view text) { SetCellText(index, text); }
    [[nodiscard]] const ButtonState &button(Button button) const { return buttons.at(std::size_t(button)); }

    // Element 0 stands for the hidden template; there is no cell 106.
    std::array<std::u16string, kCellCount + 1> cells;
    std::array<ButtonState, 10> buttons {};
    std::vector<ButtonOperation> buttonLog;
    std::function<void(int)> onCellChanged;
    int focusedCell = 0;
};

} // namespace psa::testing
