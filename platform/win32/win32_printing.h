#pragma once

#include "app/print_page.h"
#include "platform/result.h"
#include "platform/vector_surface.h"

#include <windows.h>

#include <memory>
#include <string_view>

namespace psa {

inline constexpr std::u16string_view kNoPrinterReason
    = u"プリンターが見つからないため、グラフを印刷できませんでした。";

// The calls a print makes on the printer's device context, one by one, so that a test can stand in for a
// printer (a metafile takes the drawing but not the document's calls) or make one of them fail.
class PrintCalls {
public:
    virtual ~PrintCalls() = default;
    virtual int deviceCaps(HDC dc, int index) { return GetDeviceCaps(dc, index); }
    virtual int startDoc(HDC dc, const DOCINFOW &document) { return StartDocW(dc, &document); }
    virtual int startPage(HDC dc) { return StartPage(dc); }
    virtual int endPage(HDC dc) { return EndPage(dc); }
    virtual int endDoc(HDC dc) { return EndDoc(dc); }
    virtual int abortDoc(HDC dc) { return AbortDoc(dc); }
};

// The sheet as the printer describes it, in its device units.
[[nodiscard]] PrintedPage printedPage(HDC printer, PrintCalls &calls);

// Prints the drawing on one page of `printer`, placed by printLayout, with `footer` as the line under it
// (shortened in its middle where it is wider than the drawing). Fails, in Japanese, when the page has no room
// for it (nothing is sent to the printer then) or the printer cannot print (the document is abandoned).
[[nodiscard]] Result<void> printDrawing(
    HDC printer, const VectorDrawing &drawing, std::u16string_view footer, PrintCalls &calls);

// A printer's device context, released (by DeleteDC for a real one) when the last copy goes.
using PrinterDc = std::shared_ptr<HDC__>;
// The printer the user chose; an empty one when they cancelled; or why none could be had.
using PrinterChoice = Result<PrinterDc>;

// The common print dialog over `owner`, starting from the default printer turned to landscape.
[[nodiscard]] PrinterChoice choosePrinterWithDialog(HWND owner);

} // namespace psa
