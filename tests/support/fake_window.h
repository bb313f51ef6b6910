#pragma once

#include "app/headless_window.h"

#include <vector>

namespace psa::testing {

// The headless window, with the focus kept and every button operation logged in order, so tests can check
// Enabled before BackColor.
class FakeWindow : public HeadlessWindow {
public:
    struct ButtonOperation {
        Button button;
        bool isEnabled; // true: setButtonEnabled, false: setButtonBackColor
        bool enabled;
        Colour colour;
    };

    void setFocusToCell(int index) override { focusedCell = index; }
    void setButtonEnabled(Button button, bool enabled) override
    {
        HeadlessWindow::setButtonEnabled(button, enabled);
        buttonLog.push_back({ button, true, enabled, {} });
    }
    void setButtonBackColor(Button button, Colour colour) override
    {
        buttonLog.push_back({ button, false, false, colour });
    }
    // What a user typing does: the text changes and the change is handled.
    void type(int index, std::u16string_view text) { setCellText(index, text); }

    std::vector<ButtonOperation> buttonLog;
    int focusedCell = 0;
};

} // namespace psa::testing
