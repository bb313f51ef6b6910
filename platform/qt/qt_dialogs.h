#pragma once

#include "platform/toolkit.h"

#include <QStringList>

#include <memory>

class QWidget;

namespace psa {

class KeysInTheirWindow;

// The dialogs of the running program, shown by Qt over `window`: Qt's own file dialog (the same on every
// desktop) and message boxes. From its making on, a key acts only in the window in which it went down: a key
// held down when a dialog appeared, such as the Return that clicked the button, neither answers nor dismisses
// it, and a key that closed a dialog does not go on repeating in the window below.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget *window);
    ~QtDialogs() override;
    QtDialogs(const QtDialogs &) = delete;
    QtDialogs &operator=(const QtDialogs &) = delete;

    // Returns the absolute path of the chosen file, or "" when the dialog was cancelled.
    [[nodiscard]] std::u16string ShowSave(const FileDialogRequest &request) override;
    // Return picks Yes; Escape and the close button answer No.
    [[nodiscard]] MsgBoxAnswer askYesNo(std::u16string_view prompt, std::u16string_view title) override;
    void inform(std::u16string_view message, std::u16string_view title) override;
    // Hides and disables the window so that nothing more can be clicked, and ends the event loop with 0.
    void endProgram() override;

private:
    QWidget *m_window;
    std::unique_ptr<KeysInTheirWindow> m_keys;
};

} // namespace psa
