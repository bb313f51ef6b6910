#pragma once

#include <string>
#include <string_view>

namespace psa {

// A rectangle on a printed page, in the printer's device units, (0, 0) the paper's upper-left corner.
struct PageRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    friend bool operator==(const PageRect &, const PageRect &) = default;
};

// A sheet as the printer describes it: the whole paper, the part of it the printer can print on, and how
// many device units make an inch (a printer device context's physical size, offsets and pixels per inch, or
// a QPrinter's page layout in its resolution).
struct PrintedPage {
    double paperWidth = 0;
    double paperHeight = 0;
    PageRect printable;
    double dotsPerInch = 0;
};

// What a print is called in the printer's queue, and the title of a message about it.
inline constexpr std::u16string_view kPrintDocumentName = u"PSA値推移グラフ";
inline constexpr std::u16string_view kPrintMessageTitle = u"グラフを印刷";
// Why a print did not come out.
inline constexpr std::u16string_view kPrintFailedReason = u"グラフを印刷できませんでした。";
inline constexpr std::u16string_view kPageTooSmallReason
    = u"用紙が小さすぎるため、グラフを印刷できませんでした。";

// Where the graph and the line under it go on the page.
struct PrintLayout {
    // The drawing, with the picture's proportions.
    PageRect drawing;
    // The footer line's box: it starts at the drawing's left edge, as wide as the drawing, one line high.
    PageRect footer;
    // Whether the page has room for the drawing at all; when not, the rectangles are empty.
    bool fits = false;
};

// The footer line's text height and the space above it, in points and millimetres.
inline constexpr double kFooterPoints = 10;
inline constexpr double kFooterGapMillimetres = 4;
// No ink nearer the paper's edge than this, whatever the printer could print.
inline constexpr double kPageMarginMillimetres = 15;

// Fits a picture of pictureWidth x pictureHeight (any unit: only its proportions count) on the page: inside
// the printable part, at least kPageMarginMillimetres from every edge of the paper, as large as its
// proportions allow with the footer line kFooterGapMillimetres below it; the drawing and its footer together
// are centred in that room. Does not fit when that room, the picture or the resolution is empty or not
// finite.
[[nodiscard]] PrintLayout printLayout(const PrintedPage &page, double pictureWidth, double pictureHeight);

struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

// The line printed under the graph: the record file it was drawn from (its path as the user chose it; an
// empty path when the records were neither loaded from a file nor saved to one) and the date it was printed,
// as 「記録ファイル：/home/a/psa.csv　印刷日：2026年12月7日」.
[[nodiscard]] std::u16string printFooter(std::u16string_view recordFile, CalendarDate printed);

} // namespace psa
