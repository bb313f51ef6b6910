// psa-graph.exe: Form1's behaviour on the Win32 window, surface, dialogs and files.
#include "app/form1.h"
#include "platform/form1_design.h"
#include "platform/guarded_run.h"
#include "platform/win32/dib_surface.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_window.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdlib>

namespace {

// The file named on the command line ("Open with" passes the file this way), if any.
std::u16string fileArgument()
{
    int count = 0;
    LPWSTR *arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::u16string path;
    if (arguments && count >= 2)
        path.assign(arguments[1], arguments[1] + wcslen(arguments[1]));
    LocalFree(arguments);
    return path;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    psa::Win32Dialogs dialogs;
    psa::Win32Window window(instance, dialogs);
    dialogs.setOwner(window.handle());
    psa::DibSurface picture1(psa::design::kPicture1.width, psa::design::kPicture1.height, window.scale());
    psa::Win32FileSystem files;
    psa::Form1 form(window, picture1, dialogs, files);
    window.showPicture(picture1);
    window.onClick = [&form](psa::Button button) { form.Click(button); };
    window.onCellChange = [&form](int index) { form.Text1_Change(index); };
    form.Form_Load();

    if (const std::u16string path = fileArgument(); !path.empty()) {
        psa::RunGuarded(dialogs, [&] { form.OpenRecordFile(path); });
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
