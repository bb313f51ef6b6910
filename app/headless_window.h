#pragma once

#include "platform/toolkit.h"
#include "records/cells.h"

#include <array>
#include <functional>
#include <string>

namespace psa {

// The window as far as the handlers need it when nobody looks at it: the cells' texts, each change reported
// to `onCellChanged` at once as the real window reports it, and whether each button can be clicked. Geometry
// and looks are not kept. The cells start as the window's design brings them, before start-up empties them.
class HeadlessWindow : public Window {
public:
    HeadlessWindow();

    std::function<void(int)> onCellChanged;

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
    void SetCellText(int index, std::u16string_view text) override;
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
    // Element 0 stands for the hidden template; there is no cell 106.
    std::array<std::u16string, kCellCount + 1> m_texts;
    std::array<bool, 10> m_enabled;
};

} // namespace psa
