// psa-graph.exe: Form1's behaviour on the Win32 window, surface, dialogs and files.
#include "app/form1.h"
#include "app/graph_description.h"
#include "numbers/str_form.h"
#include "platform/form1_design.h"
#include "platform/guarded_run.h"
#include "platform/mirrored_surface.h"
#include "platform/win32/command_line.h"
#include "platform/win32/dib_surface.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_window.h"

#include <windows.h>

#include <cstdlib>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    const std::u16string startFile = psa::runCommandLine();
    psa::Win32Dialogs dialogs;
    psa::Win32Window window(instance, dialogs);
    dialogs.setOwner(window.handle());
    psa::DibSurface picture1(psa::design::kPicture1.width, psa::design::kPicture1.height, window.scale());
    // The graph is kept as shapes too, for the copy and the print; the pixels stay the DIB's alone.
    psa::VectorSurface shapes(psa::printForm);
    psa::MirroredSurface drawn(picture1, shapes);
    psa::Win32FileSystem files;
    psa::Form1 form(window, drawn, dialogs, files);
    window.showPicture(picture1);
    window.keepShapes(shapes.drawing());
    window.recordFile = [&form] { return form.recordFile(); };
    window.onClick = [&form](psa::Button button) { form.Click(button); };
    window.onCellChange = [&form](int index) { form.Text1_Change(index); };
    window.describeGraph = [&] { return psa::graphDescription(form.records(), picture1.hasDrawing()); };
    form.Form_Load();

    if (!startFile.empty())
        psa::runGuarded(dialogs, [&] { form.openRecordFile(startFile); });

    // For timing the start-up: end as soon as the first frame is on the screen.
    if (std::getenv("PSA_EXIT_AFTER_FIRST_FRAME"))
        window.onFirstPaint = [] { PostQuitMessage(0); };

    window.show(show);
    const int status = window.run();
    // Windows frees the window, its two hundred controls and the picture with the process; destroying them
    // one by one first would only delay the end (by seconds under Wine).
    ExitProcess(UINT(status));
}
