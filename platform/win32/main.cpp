// psa-graph.exe: Form1's behaviour on the Win32 window, surface, dialogs and files.
#include "app/form1.h"
#include "platform/win32/command_line.h"
#include "platform/win32/dib_surface.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_window.h"

#include <windows.h>

#include <cstdlib>

namespace {

void click(psa::Form1 &form, psa::Button button)
{
    using psa::Button;
    switch (button) {
    case Button::Command1:
        return form.Command1_Click();
    case Button::Command2:
        return form.Command2_Click();
    case Button::Command3:
        return form.Command3_Click();
    case Button::Command4:
        return form.Command4_Click();
    case Button::Command5:
        return form.Command5_Click();
    case Button::Command6:
        return form.Command6_Click();
    case Button::Command7:
        return form.Command7_Click();
    case Button::Command8:
        return form.Command8_Click();
    case Button::Command9:
        return form.Command9_Click();
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    const std::u16string startFile = psa::RunCommandLine();
    psa::Win32Dialogs dialogs;
    psa::Win32Window window(instance, dialogs);
    dialogs.setOwner(window.handle());
    psa::DibSurface picture1(psa::DibSurface::kDefaultWidth, psa::DibSurface::kDefaultHeight, window.scale());
    psa::Win32FileSystem files;
    psa::Form1 form(window, picture1, dialogs, files);
    window.showPicture(picture1);
    window.onClick = [&form](psa::Button button) { click(form, button); };
    window.onCellChange = [&form](int index) { form.Text1_Change(index); };
    form.Form_Load();

    if (!startFile.empty()) {
        try {
            form.OpenRecordFile(startFile);
        } catch (const std::exception &) {
            dialogs.Inform(u"予期しないエラーが起きたため、この操作を中止しました。", u"エラー");
        }
    }

    // For timing the start-up: end as soon as the first frame is on the screen.
    if (std::getenv("PSA_EXIT_AFTER_FIRST_FRAME"))
        window.onFirstPaint = [] { PostQuitMessage(0); };

    window.show(show);
    const int status = window.run();
    // Windows frees the window, its two hundred controls and the picture with the process; destroying them
    // one by one first would only delay the end (by seconds under Wine).
    ExitProcess(UINT(status));
}
