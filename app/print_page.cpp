#include "app/print_page.h"

#include <algorithm>
#include <cmath>

namespace psa {

namespace {

constexpr double kMillimetresPerInch = 25.4;
constexpr double kPointsPerInch = 72;

bool positiveAndFinite(double value)
{
    return std::isfinite(value) && value > 0;
}

std::u16string decimal(int value)
{
    const std::string digits = std::to_string(value);
    return { digits.begin(), digits.end() };
}

} // namespace

PrintLayout printLayout(const PrintedPage &page, double pictureWidth, double pictureHeight)
{
    const double dpi = page.dotsPerInch;
    if (!positiveAndFinite(dpi) || !positiveAndFinite(pictureWidth) || !positiveAndFinite(pictureHeight)
        || !std::isfinite(page.paperWidth) || !std::isfinite(page.paperHeight))
        return {};
    const double margin = kPageMarginMillimetres / kMillimetresPerInch * dpi;
    const PageRect &printable = page.printable;
    const double left = std::max(margin, printable.left);
    const double top = std::max(margin, printable.top);
    const double right = std::min(page.paperWidth - margin, printable.left + printable.width);
    const double bottom = std::min(page.paperHeight - margin, printable.top + printable.height);
    const double footerHeight = kFooterPoints / kPointsPerInch * dpi;
    const double gap = kFooterGapMillimetres / kMillimetresPerInch * dpi;
    const double roomWidth = right - left;
    const double roomHeight = bottom - top - gap - footerHeight;
    if (!positiveAndFinite(roomWidth) || !positiveAndFinite(roomHeight))
        return {};

    const double scale = std::min(roomWidth / pictureWidth, roomHeight / pictureHeight);
    const double width = pictureWidth * scale;
    const double height = pictureHeight * scale;
    const double drawingLeft = left + (roomWidth - width) / 2;
    const double drawingTop = top + (roomHeight - height) / 2;
    PrintLayout layout;
    layout.drawing = { drawingLeft, drawingTop, width, height };
    layout.footer = { drawingLeft, drawingTop + height + gap, width, footerHeight };
    layout.fits = true;
    return layout;
}

std::u16string printFooter(std::u16string_view recordFile, CalendarDate printed)
{
    std::u16string line = recordFile.empty() ? std::u16string(u"記録はファイルに保存されていません")
                                             : u"記録ファイル：" + std::u16string(recordFile);
    line += u"　印刷日：" + decimal(printed.year) + u"年" + decimal(printed.month) + u"月"
        + decimal(printed.day) + u"日";
    return line;
}

} // namespace psa
