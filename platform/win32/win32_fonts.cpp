#include "platform/win32/win32_fonts.h"

#include <cmath>
#include <map>
#include <string>

namespace psa {

namespace {

constexpr std::wstring_view kStandIns[] = { L"MS UI Gothic", L"Meiryo", L"Yu Gothic UI" };

int CALLBACK noteFound(const LOGFONTW *, const TEXTMETRICW *, DWORD, LPARAM found)
{
    *reinterpret_cast<bool *>(found) = true;
    return 0;
}

bool installed(std::wstring_view face)
{
    if (face.size() >= LF_FACESIZE)
        return false;
    // Asked once per face: the window asks for the same few faces at every change of its screen.
    static std::map<std::wstring, bool, std::less<>> known;
    if (const auto it = known.find(face); it != known.end())
        return it->second;
    LOGFONTW query {};
    query.lfCharSet = DEFAULT_CHARSET;
    face.copy(query.lfFaceName, face.size());
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &query, noteFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    known.emplace(std::wstring(face), found);
    return found;
}

} // namespace

std::wstring_view installedFace(std::wstring_view designFace)
{
    if (installed(designFace))
        return designFace;
    for (std::wstring_view face : kStandIns) {
        if (installed(face))
            return face;
    }
    return designFace;
}

HFONT CreateDesignFont(std::wstring_view designFace, double points, int weight, UINT dpi)
{
    LOGFONTW font {};
    // A negative height asks for the character height, which is what a size in points means.
    font.lfHeight = -static_cast<LONG>(std::lround(points * dpi / 72.0));
    font.lfWeight = weight;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    const std::wstring_view face = installedFace(designFace);
    face.substr(0, LF_FACESIZE - 1).copy(font.lfFaceName, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

} // namespace psa
