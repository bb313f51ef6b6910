#include "app/export_format.h"

#include "platform/png_file.h"
#include "platform/vector_documents.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace psa {

namespace {

// A Windows bitmap: "BM", and at byte 14 the size of the information header, which tells the known kinds
// apart.
bool isBitmapHead(std::string_view head)
{
    constexpr std::array<std::uint32_t, 8> kInfoHeaderSizes { 12, 16, 40, 52, 56, 64, 108, 124 };
    if (head.size() < 18 || head[0] != 'B' || head[1] != 'M')
        return false;
    std::uint32_t infoSize = 0;
    for (std::size_t i = 0; i < 4; ++i)
        infoSize |= std::uint32_t(static_cast<unsigned char>(head[14 + i])) << (8 * i);
    return std::find(kInfoHeaderSizes.begin(), kInfoHeaderSizes.end(), infoSize) != kInfoHeaderSizes.end();
}

bool isPngHead(std::string_view head)
{
    return head.starts_with(kPngSignature);
}

// An XML document or a bare <svg> element; other XML is not told apart, as a text editor would not either.
bool isSvgHead(std::string_view head)
{
    if (head.starts_with("\xEF\xBB\xBF"))
        head.remove_prefix(3);
    while (!head.empty()
        && (head.front() == ' ' || head.front() == '\t' || head.front() == '\r' || head.front() == '\n'))
        head.remove_prefix(1);
    return head.starts_with("<?xml") || head.starts_with("<svg");
}

bool isPdfHead(std::string_view head)
{
    return head.starts_with("%PDF-");
}

Result<std::string> bitmapAsItIs(std::string_view bitmap)
{
    return std::string(bitmap);
}

// New formats are added here, with their extension, their name in messages and how their files are known.
constexpr std::array<ExportFormatInfo, 4> kFormats { {
    { ExportFormat::Bitmap, u".bmp", u"ビットマップ画像", isBitmapHead, bitmapAsItIs, nullptr },
    { ExportFormat::Png, u".png", u"PNG画像", isPngHead, pngFromBitmap, nullptr },
    { ExportFormat::Svg, u".svg", u"SVG画像", isSvgHead, nullptr, svgDocument },
    { ExportFormat::Pdf, u".pdf", u"PDF文書", isPdfHead, nullptr, pdfDocument },
} };

bool equalIgnoringAsciiCase(std::u16string_view typed, std::u16string_view lower)
{
    return typed.size() == lower.size()
        && std::equal(typed.begin(), typed.end(), lower.begin(), [](char16_t a, char16_t b) {
               return (a >= u'A' && a <= u'Z' ? char16_t(a - u'A' + u'a') : a) == b;
           });
}

} // namespace

std::span<const ExportFormatInfo> exportFormats()
{
    return kFormats;
}

std::u16string_view fileExtension(std::u16string_view path)
{
    const std::size_t nameStart = path.find_last_of(u"/\\");
    const std::u16string_view name
        = nameStart == std::u16string_view::npos ? path : path.substr(nameStart + 1);
    const std::size_t dot = name.rfind(u'.');
    return dot == std::u16string_view::npos ? std::u16string_view() : name.substr(dot);
}

const ExportFormatInfo *exportFormatOf(std::u16string_view path)
{
    const std::u16string_view extension = fileExtension(path);
    for (const ExportFormatInfo &info : kFormats)
        if (equalIgnoringAsciiCase(extension, info.extension))
            return &info;
    return nullptr;
}

std::u16string unknownFormatMessage(std::u16string_view path)
{
    const std::u16string_view extension = fileExtension(path);
    std::u16string message = u"画像ファイル「" + std::u16string(path);
    if (extension.empty() || extension == u".")
        message += u"」には拡張子がないため、どの形式で書き出すか分かりません。";
    else
        message += u"」の拡張子「" + std::u16string(extension) + u"」の形式では書き出せません。";
    message += u"書き出せる形式は";
    for (const ExportFormatInfo &info : kFormats) {
        if (&info != kFormats.data())
            message += u"、";
        message += std::u16string(info.extension) + u"（" + std::u16string(info.kind) + u"）";
    }
    message += u"です。";
    return message;
}

} // namespace psa
