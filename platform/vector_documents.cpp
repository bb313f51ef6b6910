#include "platform/vector_documents.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace psa {

namespace {

// The control points of a quarter circle as four Bézier curves place them, in radii from the ends.
constexpr double kQuarterCircleHandle = 0.5522847498307936;
// Points per pixel at 96 pixels an inch.
constexpr double kPointsPerPixel = 0.75;

// A number with at most `decimals` decimals, '.' as the point, no exponent and no trailing zeros; never
// "-0". Independent of the locale.
std::string number(double value, int decimals = 3)
{
    std::array<char, 400> digits {};
    const auto [end, error] = std::to_chars(
        digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed, decimals);
    std::string text(digits.data(), error == std::errc() ? end : digits.data());
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text == "-0" ? std::string("0") : text;
}

std::string point(Point p)
{
    return number(p.x) + ' ' + number(p.y);
}

bool isFiniteShape(const VectorShape &shape)
{
    if (const auto *line = std::get_if<VectorLine>(&shape))
        return isFinite(line->from) && isFinite(line->to);
    if (const auto *circle = std::get_if<VectorCircle>(&shape))
        return isFinite(circle->centre) && std::isfinite(circle->radius) && circle->radius >= 0;
    return isFinite(std::get<VectorText>(shape).topLeft);
}

// The length of the UTF-8 sequence that `lead` starts, 0 when no sequence starts with it.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Whether the text is UTF-8 without control characters, as XML allows it (overlong forms and surrogates
// included among what it refuses).
bool isXmlText(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = sequenceLength(lead);
        if (length == 0 || i + length > text.size() || (length == 1 && (lead < 0x20 || lead == 0x7F)))
            return false;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        const std::array<char32_t, 5> smallest { 0, 0, 0x80, 0x800, 0x10000 };
        if (code < smallest.at(length) || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF
            || (code >= 0x80 && code <= 0x9F))
            return false;
        i += length;
    }
    return true;
}

bool isPrintableAscii(std::string_view text)
{
    for (const char c : text)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

// Whether the drawing has an area and only finite shapes, and every text passes `textFits`.
template <typename TextCheck> bool isWritable(const VectorDrawing &drawing, TextCheck textFits)
{
    if (drawing.width < 1 || drawing.height < 1)
        return false;
    for (const VectorShape &shape : drawing.shapes) {
        if (!isFiniteShape(shape))
            return false;
        if (const auto *text = std::get_if<VectorText>(&shape); text && !textFits(text->text))
            return false;
    }
    return true;
}

// A line whose ends are one pixel has no direction for its squared ends: both documents fill that pixel.
bool isDot(const VectorLine &line)
{
    return line.from == line.to;
}

std::string svgColour(Colour colour)
{
    constexpr std::string_view kHexDigits = "0123456789abcdef";
    std::string text = "#";
    for (const std::uint8_t part : { colour.red, colour.green, colour.blue }) {
        text += kHexDigits[part >> 4];
        text += kHexDigits[part & 0xF];
    }
    return text;
}

std::string xmlEscaped(std::string_view text)
{
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

void writeSvgShape(std::string &out, const VectorShape &shape)
{
    if (const auto *line = std::get_if<VectorLine>(&shape)) {
        if (isDot(*line))
            out += "<rect x=\"" + number(line->from.x - 0.5) + "\" y=\"" + number(line->from.y - 0.5)
                + R"(" width="1" height="1" fill=")" + svgColour(line->colour) + "\"/>\n";
        else
            out += "<line x1=\"" + number(line->from.x) + "\" y1=\"" + number(line->from.y) + "\" x2=\""
                + number(line->to.x) + "\" y2=\"" + number(line->to.y) + "\" stroke=\""
                + svgColour(line->colour) + "\"/>\n";
    } else if (const auto *circle = std::get_if<VectorCircle>(&shape)) {
        if (circle->radius > 0)
            out += "<circle cx=\"" + number(circle->centre.x) + "\" cy=\"" + number(circle->centre.y)
                + "\" r=\"" + number(circle->radius) + R"(" stroke="#000000"/>)" + "\n";
    } else {
        const auto &text = std::get<VectorText>(shape);
        out += "<text x=\"" + number(text.topLeft.x) + "\" y=\"" + number(text.topLeft.y + kPrintBaseline)
            + R"(" fill="#000000">)" + xmlEscaped(text.text) + "</text>\n";
    }
}

std::string pdfColour(Colour colour)
{
    return number(colour.red / 255.0, 4) + ' ' + number(colour.green / 255.0, 4) + ' '
        + number(colour.blue / 255.0, 4);
}

std::string pdfEscaped(std::string_view text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '(' || c == ')' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// The page's drawing, in the picture's pixels: the first operator turns the page upside down and scales it,
// so that every position is written as the SVG document writes it.
std::string pdfContent(const VectorDrawing &drawing)
{
    std::string out = "q\n" + number(kPointsPerPixel) + " 0 0 " + number(-kPointsPerPixel) + " 0 "
        + number(drawing.height * kPointsPerPixel) + " cm\n1 w 2 J 0 j\n";
    std::optional<Colour> stroke;
    std::optional<Colour> fill;
    const auto setStroke = [&](Colour colour) {
        if (stroke != colour)
            out += pdfColour(colour) + " RG\n";
        stroke = colour;
    };
    const auto setFill = [&](Colour colour) {
        if (fill != colour)
            out += pdfColour(colour) + " rg\n";
        fill = colour;
    };
    const auto dot = [&](Point centre, Colour colour) {
        setFill(colour);
        out += number(centre.x - 0.5) + ' ' + number(centre.y - 0.5) + " 1 1 re f\n";
    };
    for (const VectorShape &shape : drawing.shapes) {
        if (const auto *line = std::get_if<VectorLine>(&shape)) {
            if (isDot(*line)) {
                dot(line->from, line->colour);
                continue;
            }
            setStroke(line->colour);
            out += point(line->from) + " m " + point(line->to) + " l S\n";
        } else if (const auto *circle = std::get_if<VectorCircle>(&shape)) {
            if (circle->radius == 0)
                continue;
            setStroke(kBlack);
            const double x = circle->centre.x;
            const double y = circle->centre.y;
            const double r = circle->radius;
            const double k = r * kQuarterCircleHandle;
            out += point({ x + r, y }) + " m\n";
            out += point({ x + r, y + k }) + ' ' + point({ x + k, y + r }) + ' ' + point({ x, y + r })
                + " c\n";
            out += point({ x - k, y + r }) + ' ' + point({ x - r, y + k }) + ' ' + point({ x - r, y })
                + " c\n";
            out += point({ x - r, y - k }) + ' ' + point({ x - k, y - r }) + ' ' + point({ x, y - r })
                + " c\n";
            out += point({ x + k, y - r }) + ' ' + point({ x + r, y - k }) + ' ' + point({ x + r, y })
                + " c\n";
            out += "s\n";
        } else {
            const auto &text = std::get<VectorText>(shape);
            setFill(kBlack);
            // The text matrix turns the letters upright again on the upside-down page.
            out += "BT /F1 " + number(kPrintPixels) + " Tf 1 0 0 -1 " + number(text.topLeft.x) + ' '
                + number(text.topLeft.y + kPrintBaseline) + " Tm (" + pdfEscaped(text.text) + ") Tj ET\n";
        }
    }
    return out + "Q\n";
}

// Writes numbered objects and keeps where each starts, for the cross-reference table.
class PdfWriter {
public:
    void object(std::string_view body)
    {
        m_offsets.push_back(m_out.size());
        m_out += std::to_string(m_offsets.size()) + " 0 obj\n";
        m_out += body;
        m_out += "\nendobj\n";
    }

    // The cross-reference table (each entry exactly 20 bytes), the trailer naming object 1 as the catalogue,
    // and where the table starts.
    std::string finish()
    {
        const std::size_t table = m_out.size();
        const std::size_t count = m_offsets.size() + 1;
        m_out += "xref\n0 " + std::to_string(count) + "\n0000000000 65535 f \n";
        for (const std::size_t offset : m_offsets) {
            const std::string digits = std::to_string(offset);
            m_out += std::string(digits.size() < 10 ? 10 - digits.size() : 0, '0') + digits + " 00000 n \n";
        }
        m_out += "trailer\n<< /Size " + std::to_string(count) + " /Root 1 0 R >>\nstartxref\n"
            + std::to_string(table) + "\n%%EOF\n";
        return std::move(m_out);
    }

private:
    // A comment of bytes above 127 marks the file as binary for programs that copy files.
    std::string m_out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<std::size_t> m_offsets;
};

} // namespace

Result<std::string> svgDocument(const VectorDrawing &drawing)
{
    if (!isWritable(drawing, isXmlText))
        return Failure { std::u16string(kNoVectorDocumentReason) };
    const std::string width = std::to_string(drawing.width);
    const std::string height = std::to_string(drawing.height);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\""
        + width + "\" height=\"" + height + "\" viewBox=\"0 0 " + width + ' ' + height + "\">\n";
    out += "<rect width=\"" + width + "\" height=\"" + height + "\" fill=\"#ffffff\"/>\n";
    // Blanks in the numbers' texts are kept: a leading blank moves the digits as it does on the bitmap.
    out += R"(<g fill="none" stroke-width="1" stroke-linecap="square" font-family="sans-serif" font-size=")"
        + number(kPrintPixels) + R"(" xml:space="preserve">)" + "\n";
    for (const VectorShape &shape : drawing.shapes)
        writeSvgShape(out, shape);
    return out + "</g>\n</svg>\n";
}

Result<std::string> pdfDocument(const VectorDrawing &drawing)
{
    if (!isWritable(drawing, isPrintableAscii))
        return Failure { std::u16string(kNoVectorDocumentReason) };
    const std::string content = pdfContent(drawing);
    PdfWriter pdf;
    pdf.object("<< /Type /Catalog /Pages 2 0 R >>");
    pdf.object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + number(drawing.width * kPointsPerPixel) + ' '
        + number(drawing.height * kPointsPerPixel)
        + "] /Resources << /Font << /F1 4 0 R >> >> /Contents 5 0 R >>");
    pdf.object("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    pdf.object("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream");
    return pdf.finish();
}

} // namespace psa
