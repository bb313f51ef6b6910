#pragma once

#include "platform/toolkit.h"
#include "records/cells.h"

#include <array>
#include <stdexcept>
#include <functional>
#include <string>
#include <vector>

namespace psa::testing {

// The window's controls as plain values. Setting a different cell text calls `onCellChanged` at once, as the
// real window does. Every button operation is logged in order, so tests can check Enabled before BackColor.
class FakeWindow : public Window {
public:
    struct CellState {
        bool created = false;
        double top = 0, left = 0, width = 0, height = 0, fontSize = 0;
        bool visible = false, enabled = false, flat = false;
        std::u16string text = u"Text1";
    };
    struct ButtonState {
        double top = 0, left = 0;
        bool enabled = true;
        Colour backColor = kAvailableBackColor;
    };
    struct ButtonOperation {
        Button button;
        bool isEnabled; // true: SetButtonEnabled, false: SetButtonBackColor
        bool enabled;
        Colour colour;
    };

    FakeWindow()
    {
        // Cells 1 to 50 come with the window description; the rest are created at start-up.
        for (int i = 1; i <= 50; ++i)
            cells[i].created = true;
    }

    void CreateCell(int index) override { cell(index).created = true; }
    void SetCellHeight(int index, double pixels) override { cell(index).height = pixels; }
    void SetCellTop(int index, double pixels) override { cell(index).top = pixels; }
    void SetCellLeft(int index, double pixels) override { cell(index).left = pixels; }
    void SetCellWidth(int index, double pixels) override { cell(index).width = pixels; }
    void SetCellFontSize(int index, double points) override { cell(index).fontSize = points; }
    void SetCellVisible(int index, bool visible) override { cell(index).visible = visible; }
    void SetCellEnabled(int index, bool enabled) override { cell(index).enabled = enabled; }
    void SetCellFlat(int index) override { cell(index).flat = true; }
    void SetCellText(int index, std::u16string_view text) override
    {
        ++textAssignments;
        if (cell(index).text == text)
            return;
        cell(index).text = std::u16string(text);
        if (onCellChanged)
            onCellChanged(index);
    }
    [[nodiscard]] std::u16string CellText(int index) const override { return cells.at(checked(index)).text; }
    void SetFocusToCell(int index) override { focusedCell = checked(index); }

    void SetButtonTop(Button button, double pixels) override { buttonState(button).top = pixels; }
    void SetButtonLeft(Button button, double pixels) override { buttonState(button).left = pixels; }
    void SetButtonEnabled(Button button, bool enabled) override
    {
        buttonState(button).enabled = enabled;
        buttonLog.push_back({ button, true, enabled, {} });
    }
    void SetButtonBackColor(Button button, Colour colour) override
    {
        buttonState(button).backColor = colour;
        buttonLog.push_back({ button, false, false, colour });
    }

    // What a user typing does: the text changes and the change is handled.
    void type(int index, std::u16string_view text) { SetCellText(index, text); }

    [[nodiscard]] const ButtonState &button(Button button) const
    {
        return buttons.at(static_cast<std::size_t>(button));
    }
    [[nodiscard]] ButtonState &buttonState(Button button) { return buttons.at(static_cast<std::size_t>(button)); }

    std::array<CellState, kCellCount + 1> cells {};
    std::array<ButtonState, 10> buttons {};
    std::vector<ButtonOperation> buttonLog;
    std::function<void(int)> onCellChanged;
    int focusedCell = 0;
    int textAssignments = 0;

private:
    static std::size_t checked(int index)
    {
        // Element 0 is the hidden template and never a cell; there is no cell 106.
        if (index < 1 || index > kCellCount)
            throw std::out_of_range("no grid cell " + std::to_string(index));
        return static_cast<std::size_t>(index);
    }
    CellState &cell(int index) { return cells.at(checked(index)); }
};

} // namespace psa::testing
