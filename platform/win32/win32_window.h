#pragma once

#include "platform/focus_order.h"
#include "platform/form1_design.h"
#include "platform/toolkit.h"
#include "platform/vector_surface.h"
#include "platform/win32/win32_printing.h"

#include <windows.h>

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>

namespace psa {

class DibSurface;

// Form1 on Win32: a fixed-size top-level window with the grid cells as EDIT controls, the nine buttons drawn
// by the program (so that they show their BackColor), the labels and the picture. Everything is placed in
// 96-DPI pixels times the window's screen scale, and placed again when the window moves to a screen of
// another DPI. Clicks and cell changes go to onClick and onCellChange; an exception from either is reported
// through the dialogs and the window lives on.
class Win32Window final : public Window {
public:
    Win32Window(HINSTANCE instance, Dialogs &dialogs);
    ~Win32Window() override;
    Win32Window(const Win32Window &) = delete;
    Win32Window &operator=(const Win32Window &) = delete;

    [[nodiscard]] HWND handle() const { return m_window; }
    // Screen pixels per 96-DPI pixel.
    [[nodiscard]] double scale() const { return m_dpi / 96.0; }
    void showPicture(DibSurface &surface);
    // The picture's drawing as shapes, which the copy and the print use; it must outlive the window.
    void keepShapes(const VectorDrawing &shapes) { m_shapes = &shapes; }
    void show(int how);
    // The message loop with the dialog keys (Tab, Shift+Tab, Space, Return on a button). Returns the exit
    // code.
    int run();
    // Return on a button presses it, as Space does; on a disabled button it does nothing. True when the
    // message was a Return for a button, and is used up.
    bool pressFocusedButton(const MSG &message);
    // 「グラフをコピー」: the picture's drawing on the clipboard as a device-independent bitmap, which other
    // programs paste as an image, and with the shapes as an enhanced metafile, which a word processor prints
    // sharp (when the window keeps the shapes). False, and the clipboard as it was, when nothing is drawn or
    // the clipboard cannot be had.
    bool copyGraph();
    // 「グラフを印刷…」: the shapes on one page of the printer the user chooses, with the record file and the
    // date under them. False when nothing is drawn or no shapes are kept, the user cancelled, or the print
    // failed, which the user is told.
    bool printGraph();
    // Whether a graph is drawn, which the picture's menu offers to copy and print.
    [[nodiscard]] bool graphShown() const;

    std::function<void(Button)> onClick;
    std::function<void(int)> onCellChange;
    // Called once, after the window has been painted for the first time.
    std::function<void()> onFirstPaint;
    // What the picture shows, in words for a screen reader: asked after a click or a cell change that changed
    // the drawing, and given to the picture as its name.
    std::function<std::u16string()> describeGraph;
    // The record file that a print's footer names ("" for none).
    std::function<std::u16string()> recordFile;
    // Asks which printer to print on: by default the common print dialog.
    std::function<PrinterChoice()> choosePrinter;
    // The printer's calls; tests put in their own.
    PrintCalls *printCalls = &m_realPrintCalls;

    void createCell(int index) override;
    void setCellHeight(int index, double pixels) override;
    void setCellTop(int index, double pixels) override;
    void setCellLeft(int index, double pixels) override;
    void setCellWidth(int index, double pixels) override;
    void setCellFontSize(int index, double points) override;
    void setCellVisible(int index, bool visible) override;
    void setCellEnabled(int index, bool enabled) override;
    void setCellFlat(int index) override;
    void setCellText(int index, std::u16string_view text) override;
    [[nodiscard]] std::u16string cellText(int index) const override;
    void setFocusToCell(int index) override;

    void setButtonTop(Button button, double pixels) override;
    void setButtonLeft(Button button, double pixels) override;
    void setButtonEnabled(Button button, bool enabled) override;
    void setButtonBackColor(Button button, Colour colour) override;

    // Control identifiers: cells and buttons are told apart by range. Neither range holds IDOK or IDCANCEL,
    // which the dialog keys send to the window.
    static constexpr int kCellId = 100; // + index
    static constexpr int kButtonId = 1000; // + button number
    static constexpr const wchar_t *kCellFrameClass = L"PsaGraphCell";

private:
    struct Placed {
        HWND handle = nullptr;
        HWND frame = nullptr; // a cell's border, which holds and clips its EDIT control
        double left = 0, top = 0, width = 0, height = 0; // 96-DPI pixels
        design::Font font; // none for the picture
        HFONT shownFont = nullptr; // the font the control has been given
    };
    struct ButtonState {
        Placed placed;
        const design::ButtonDesign *design = nullptr;
        Colour back = kAvailableBackColor;
    };

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK pictureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK cellFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void command(int id, int code);
    void drawButton(const DRAWITEMSTRUCT *item);
    void paint();
    void dpiChanged(UINT dpi, const RECT *suggested);
    void run(const std::function<void()> &handler);
    // The picture's menu at `screen` (screen pixels); from the keyboard, inside the picture's corner.
    void openPictureMenu(std::optional<POINT> screen);
    [[nodiscard]] HWND focusHandle(const FocusStop &stop) const;

    [[nodiscard]] int device(double pixels) const;
    void place(Placed &control);
    [[nodiscard]] HFONT font(const design::Font &design);
    void dropFonts();
    [[nodiscard]] Placed &cell(int index);
    [[nodiscard]] const Placed &cell(int index) const;
    [[nodiscard]] ButtonState &button(Button which);
    [[nodiscard]] Placed makeCell(int index, const Placed &like);
    void fitCellText(const Placed &cell);
    // How far a cell's EDIT control must reach above its frame to centre its digits.
    [[nodiscard]] static int textLift(HWND edit, int height);
    [[nodiscard]] const design::ButtonDesign *buttonAt(HWND control) const;

    HINSTANCE m_instance;
    Dialogs &m_dialogs;
    HWND m_window = nullptr;
    HWND m_picture = nullptr;
    Placed m_placedPicture;
    DibSurface *m_surface = nullptr;
    const VectorDrawing *m_shapes = nullptr;
    PrintCalls m_realPrintCalls;
    bool m_graphChanged = false;
    UINT m_dpi = 96;
    std::array<Placed, 106> m_cells {};
    std::array<ButtonState, 10> m_buttons {};
    std::map<std::tuple<std::u16string, double, bool>, HFONT> m_fonts; // by face, points and weight
    std::map<std::pair<HFONT, int>, int> m_textLifts; // by a cell's font and inner height
    HWND m_lastFocus = nullptr;
    int m_settingText = 0; // the cell whose text the program is setting
};

} // namespace psa
