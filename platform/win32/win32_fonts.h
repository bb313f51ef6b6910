#pragma once

#include <windows.h>

#include <string_view>

namespace psa {

// The face the window was designed with when it is installed; otherwise the first installed of the faces
// every Japanese Windows has ("MS UI Gothic", "Meiryo", "Yu Gothic UI"); the design face as a last resort,
// for GDI to substitute.
[[nodiscard]] std::wstring_view installedFace(std::wstring_view designFace);

// A font of the design face (or its stand-in) at `points`, for a screen of `dpi` dots per inch. Weight 700 is
// bold. The caller deletes it.
[[nodiscard]] HFONT CreateDesignFont(std::wstring_view designFace, double points, int weight, UINT dpi);

// The face of the program's own texts where the design names none: the cells and the numbers on the graph.
inline constexpr std::wstring_view kDefaultFace = L"MS UI Gothic";

} // namespace psa
