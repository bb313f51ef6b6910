#pragma once

#include "platform/toolkit.h"

#include <windows.h>

#include <string>

namespace psa {

// The dialogs of the running program, Windows' own, over the main window: the common save dialog and
// message boxes. From its making on, a key acts only in the window in which it went down: a key held down
// when a dialog appeared, such as the Return that clicked the button, neither answers nor dismisses it, and a
// key that closed a dialog does not go on repeating in the window below.
class Win32Dialogs final : public Dialogs {
public:
    // `owner` may be set later, once the window exists. Made and destroyed on the window's thread.
    explicit Win32Dialogs(HWND owner = nullptr);
    ~Win32Dialogs() override;
    Win32Dialogs(const Win32Dialogs &) = delete;
    Win32Dialogs &operator=(const Win32Dialogs &) = delete;
    void setOwner(HWND owner) { m_owner = owner; }

    // Returns the path as the dialog gives it, or "" when the dialog was cancelled or failed.
    [[nodiscard]] std::u16string ShowSave(const FileDialogRequest &request) override;
    // Return picks Yes; Escape is not offered, as the box has no Cancel.
    [[nodiscard]] MsgBoxAnswer askYesNo(std::u16string_view prompt, std::u16string_view title) override;
    void inform(std::u16string_view message, std::u16string_view title) override;
    // Hides and disables the window, so that nothing more can be clicked, and ends the message loop with 0.
    void endProgram() override;

private:
    HWND m_owner;
};

// The common dialog's filter for "description|pattern" pairs joined by '|': every '|' becomes a NUL and the
// whole ends in two NULs. A trailing description without a pattern is dropped.
[[nodiscard]] std::wstring CommonDialogFilter(std::u16string_view filter);

} // namespace psa
