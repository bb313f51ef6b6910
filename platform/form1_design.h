#pragma once

// The main window as it was designed: every control's rectangle (pixels, client coordinates), caption,
// colour and font. Each toolkit's window is built from these tables, so that every platform shows the same
// window; start-up (Form_Load) then lays out the grid and moves "入力終了".

#include "platform/toolkit.h"

#include <array>
#include <string_view>

namespace psa::design {

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct Font {
    std::u16string_view family; // the design face; missing faces fall back to a Japanese face
    double points = 0;
    bool bold = false;
};

// The faces the window was designed with.
inline constexpr std::u16string_view kButtonFamily = u"ＭＳ Ｐゴシック";
inline constexpr std::u16string_view kTitleFamily = u"HGP創英角ｺﾞｼｯｸUB";

// Form1
inline constexpr std::u16string_view kFormCaption = u"Form1";
inline constexpr int kClientWidth = 1062;
inline constexpr int kClientHeight = 729;
inline constexpr Colour kFormBackColor { 255, 224, 192 };

// Label1 (the title) and the headings above the grid. The title is left-aligned, the headings centred; all
// have a thin black border.
struct LabelDesign {
    int number;
    std::u16string_view caption;
    Rect rect;
    Colour backColor;
    Font font;
};
inline constexpr LabelDesign kTitle
    = { 1, u"　PSA値推移グラフ　", { 208, 8, 507, 31 }, { 192, 255, 192 }, { kTitleFamily, 20.25, false } };
inline constexpr Colour kHeadingBackColor { 192, 255, 255 };
inline constexpr Font kHeadingFont { kButtonFamily, 14.25, true };
inline constexpr std::array<LabelDesign, 4> kHeadings { {
    { 5, u"データー入力", { 8, 16, 193, 25 }, kHeadingBackColor, kHeadingFont },
    { 2, u"西暦年", { 8, 40, 70, 24 }, kHeadingBackColor, kHeadingFont },
    { 3, u"月", { 78, 40, 54, 24 }, kHeadingBackColor, kHeadingFont },
    { 4, u"PSA値", { 132, 40, 70, 24 }, kHeadingBackColor, kHeadingFont },
} };

// Command1 to Command9, graphical buttons: the face in the button's BackColor (set by the workflow), a
// plain border, the caption greyed while the button is unavailable. Listed in the order in which Tab walks
// them after the grid.
struct ButtonDesign {
    Button button;
    std::u16string_view caption;
    Rect rect;
    Font font;
};
inline constexpr std::array<ButtonDesign, 9> kButtons { {
    { Button::Command6, u"入力終了", { 128, 576, 70, 28 }, { kButtonFamily, 9, true } },
    { Button::Command5, u"データー入力", { 208, 40, 105, 49 }, { kButtonFamily, 12, true } },
    { Button::Command4, u"データー読み込み", { 312, 40, 137, 49 }, { kButtonFamily, 12, true } },
    { Button::Command3, u"データー保存", { 616, 40, 105, 49 }, { kButtonFamily, 12, true } },
    { Button::Command1, u"グラフ表示", { 720, 40, 89, 49 }, { kButtonFamily, 12, true } },
    { Button::Command2, u"グラフ保存", { 808, 40, 89, 49 }, { kButtonFamily, 12, true } },
    { Button::Command7, u"終了", { 984, 40, 73, 49 }, { kButtonFamily, 12, true } },
    { Button::Command8, u"データー追加・修正", { 448, 40, 169, 49 }, { kButtonFamily, 12, true } },
    { Button::Command9, u"グラフ消去", { 896, 40, 89, 49 }, { kButtonFamily, 12, true } },
} };
inline constexpr Colour kButtonBorderColor { 64, 64, 64 };
inline constexpr Colour kDimmedCaptionColor { 128, 128, 128 };

// Picture1: white, the graph's drawing surface.
inline constexpr Rect kPicture1 { 208, 88, 849, 521 };
inline constexpr std::u16string_view kPicture1AccessibleName = u"PSAグラフ";
inline constexpr std::u16string_view kPicture1Description = u"PSA値の推移グラフ";

// Text1: element 0 is the hidden template from which start-up creates cells 51 to 105; cells 1 to 50 come
// with the window, with the template's rectangle and text until start-up lays them out and empties them.
inline constexpr Rect kCellTemplate { 80, 520, 65, 25 };
inline constexpr std::u16string_view kCellDesignText = u"Text1";
inline constexpr double kCellPoints = 10;
inline constexpr int kCellsWithTheWindow = 50;
inline constexpr Colour kCellBorderColor { 0, 0, 0 };
// What a screen reader names a cell's column, as the headings show them.
inline constexpr std::array<std::u16string_view, 3> kColumnNames { u"西暦年", u"月", u"PSA値" };

} // namespace psa::design
