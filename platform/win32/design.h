#pragma once

// The window's design in 96-DPI pixels, as the Win32 window places it.

#include "platform/toolkit.h"

namespace psa::design {

struct Rect {
    int left, top, width, height;
};

struct ButtonDesign {
    Button button;
    const wchar_t *caption;
    Rect geometry;
    double points;
};

struct LabelDesign {
    int number;
    const wchar_t *caption;
    Rect geometry;
    Colour back;
    bool centred;
};

inline constexpr int kClientWidth = 1062;
inline constexpr int kClientHeight = 729;
inline constexpr Colour kFormBackColor { 255, 224, 192 };
inline constexpr const wchar_t *kButtonFace = L"ＭＳ Ｐゴシック";
inline constexpr const wchar_t *kTitleFace = L"HGP創英角ｺﾞｼｯｸUB";
inline constexpr double kTitlePoints = 20.25;
inline constexpr double kHeadingPoints = 14.25;

// In the order in which Tab walks them after the grid.
inline constexpr ButtonDesign kButtons[] = {
    { Button::Command6, L"入力終了", { 128, 576, 70, 28 }, 9 },
    { Button::Command5, L"データー入力", { 208, 40, 105, 49 }, 12 },
    { Button::Command4, L"データー読み込み", { 312, 40, 137, 49 }, 12 },
    { Button::Command3, L"データー保存", { 616, 40, 105, 49 }, 12 },
    { Button::Command1, L"グラフ表示", { 720, 40, 89, 49 }, 12 },
    { Button::Command2, L"グラフ保存", { 808, 40, 89, 49 }, 12 },
    { Button::Command7, L"終了", { 984, 40, 73, 49 }, 12 },
    { Button::Command8, L"データー追加・修正", { 448, 40, 169, 49 }, 12 },
    { Button::Command9, L"グラフ消去", { 896, 40, 89, 49 }, 12 },
};

inline constexpr LabelDesign kLabels[] = {
    { 1, L"　PSA値推移グラフ　", { 208, 8, 507, 31 }, { 192, 255, 192 }, false },
    { 5, L"データー入力", { 8, 16, 193, 25 }, { 192, 255, 255 }, true },
    { 2, L"西暦年", { 8, 40, 70, 24 }, { 192, 255, 255 }, true },
    { 3, L"月", { 78, 40, 54, 24 }, { 192, 255, 255 }, true },
    { 4, L"PSA値", { 132, 40, 70, 24 }, { 192, 255, 255 }, true },
};

inline constexpr Rect kPicture1 { 208, 88, 849, 521 };
inline constexpr Rect kCellTemplate { 80, 520, 65, 25 };
inline constexpr const wchar_t *kCellDesignText = L"Text1";
inline constexpr int kDesignCells = 50;
inline constexpr double kCellPoints = 10;

} // namespace psa::design
