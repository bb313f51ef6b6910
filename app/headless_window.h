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

    void createCell(int) override { }
    void setCellHeight(int, double) override { }
    void setCellTop(int, double) override { }
    void setCellLeft(int, double) override { }
    void setCellWidth(int, double) override { }
    void setCellFontSize(int, double) override { }
    void setCellVisible(int, bool) override { }
    void setCellEnabled(int, bool) override { }
    void setCellFlat(int) override { }
    void setCellText(int index, std::u16string_view text) override;
    [[nodiscard]] std::u16string cellText(int index) const override { return m_texts.at(std::size_t(index)); }
    void setFocusToCell(int) override { }

    void setButtonTop(Button, double) override { }
    void setButtonLeft(Button, double) override { }
    void setButtonEnabled(Button button, bool enabled) override
    {
        m_enabled.at(std::size_t(button)) = enabled;
    }
    void setButtonBackColor(Button, Colour) override { }

private:
    // Element 0 stands for the hidden template; there is no cell 106.
    std::array<std::u16string, kCellCount + 1> m_texts;
    std::array<bool, 10> m_enabled;
};

} // namespace psa
