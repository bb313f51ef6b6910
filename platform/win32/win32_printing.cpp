#include "platform/win32/win32_printing.h"

#include "platform/win32/gdi_drawing.h"
#include "platform/win32/win32_fonts.h"
#include "platform/win32/win32_text.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <string>

namespace psa {

PrintedPage printedPage(HDC printer, PrintCalls &calls)
{
    const auto caps = [&](int index) { return double(calls.deviceCaps(printer, index)); };
    return { caps(PHYSICALWIDTH), caps(PHYSICALHEIGHT),
        { caps(PHYSICALOFFSETX), caps(PHYSICALOFFSETY), caps(HORZRES), caps(VERTRES) }, caps(LOGPIXELSX) };
}

Result<void> printDrawing(
    HDC printer, const VectorDrawing &drawing, std::u16string_view footer, PrintCalls &calls)
{
    const PrintedPage page = printedPage(printer, calls);
    const PrintLayout layout = printLayout(page, drawing.width, drawing.height);
    if (!layout.fits)
        return Failure { std::u16string(kPageTooSmallReason) };
    const std::wstring name = toWide(kPrintDocumentName);
    DOCINFOW document {};
    document.cbSize = sizeof document;
    document.lpszDocName = name.c_str();
    if (calls.startDoc(printer, document) <= 0)
        return Failure { std::u16string(kPrintFailedReason) };
    if (calls.startPage(printer) <= 0) {
        calls.abortDoc(printer);
        return Failure { std::u16string(kPrintFailedReason) };
    }
    // The device context's origin is the printable part's corner; the layout measures from the paper's.
    const auto onDevice = [&](const PageRect &rect) {
        return PageRect { rect.left - page.printable.left, rect.top - page.printable.top, rect.width,
            rect.height };
    };
    drawVectorDrawing(printer, drawing, onDevice(layout.drawing));

    const PageRect box = onDevice(layout.footer);
    RECT footerBox { LONG(box.left), LONG(box.top), LONG(box.left + box.width), LONG(box.top + box.height) };
    HFONT font = CreateDesignFont(
        kDefaultFace, kFooterPoints, FW_NORMAL, UINT(std::max(1, calls.deviceCaps(printer, LOGPIXELSY))));
    const HGDIOBJ previous = SelectObject(printer, font);
    SetBkMode(printer, TRANSPARENT);
    SetTextColor(printer, RGB(0, 0, 0));
    std::wstring line = toWide(footer);
    DrawTextW(printer, line.data(), int(line.size()), &footerBox,
        DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
    SelectObject(printer, previous);
    DeleteObject(font);

    if (calls.endPage(printer) <= 0) {
        calls.abortDoc(printer);
        return Failure { std::u16string(kPrintFailedReason) };
    }
    if (calls.endDoc(printer) <= 0)
        return Failure { std::u16string(kPrintFailedReason) };
    return {};
}

PrinterChoice choosePrinterWithDialog(HWND owner)
{
    PRINTDLGW dialog {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    // The default printer's settings, turned to landscape, are where the dialog starts.
    dialog.Flags = PD_RETURNDEFAULT | PD_NOWARNING;
    if (PrintDlgW(&dialog) && dialog.hDevMode) {
        if (auto *mode = static_cast<DEVMODEW *>(GlobalLock(dialog.hDevMode))) {
            mode->dmFields |= DM_ORIENTATION;
            mode->dmOrientation = DMORIENT_LANDSCAPE;
            GlobalUnlock(dialog.hDevMode);
        }
    }
    dialog.Flags
        = PD_RETURNDC | PD_NOWARNING | PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE;
    dialog.nCopies = 1;
    const bool chosen = PrintDlgW(&dialog) != FALSE;
    const DWORD error = chosen ? 0 : CommDlgExtendedError();
    if (dialog.hDevMode)
        GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames)
        GlobalFree(dialog.hDevNames);
    if (!chosen) {
        // No error: the user cancelled.
        if (error == 0)
            return PrinterDc();
        if (dialog.hDC)
            DeleteDC(dialog.hDC);
        return Failure { std::u16string(
            error == PDERR_NODEFAULTPRN ? kNoPrinterReason : kPrintFailedReason) };
    }
    if (!dialog.hDC)
        return Failure { std::u16string(kPrintFailedReason) };
    return PrinterDc(dialog.hDC, DeleteDC);
}

} // namespace psa
