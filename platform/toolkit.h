#pragma once

// The narrow interface through which the program reaches the window, its cells and buttons, the drawing
// surface, the dialogs and the file system. Everything outside platform/ and the Qt window talks to these
// classes only, so that tests can drive the program's logic with fakes.

#include "platform/result.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace psa {

// A position in the drawing surface's logical coordinates (see Surface::Scale).
struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point &, const Point &) = default;
};

struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Colour &, const Colour &) = default;
};

inline constexpr Colour kBlack { 0, 0, 0 };
inline constexpr Colour kSilver { 192, 192, 192 };
inline constexpr Colour kRed { 255, 0, 0 };
inline constexpr Colour kWhite { 255, 255, 255 };
// Button looks: light yellow when the button can be clicked, grey when it cannot.
inline constexpr Colour kAvailableBackColor { 255, 255, 192 };
inline constexpr Colour kUnavailableBackColor { 200, 200, 200 };

// A picture box that keeps everything drawn on it until it is cleared.
class Surface {
public:
    virtual ~Surface() = default;

    // Gives the whole drawing area the logical coordinates running from upperLeft to lowerRight; each axis
    // maps linearly onto the area's pixel extent, and runs backwards when its first value is the larger.
    virtual void Scale(Point upperLeft, Point lowerRight) = 0;
    // A straight line between two absolute points, in the given colour or, without one, the foreground
    // colour.
    virtual void Line(Point from, Point to, std::optional<Colour> colour) = 0;
    // The outline of a circle, round on screen; the radius is measured in horizontal units.
    virtual void Circle(Point centre, double radius) = 0;
    // The upper-left corner of the next printed text.
    virtual void CurrentX(double x) = 0;
    virtual void CurrentY(double y) = 0;
    // Writes one number at the text position in the print form: a blank or minus, the number, a blank.
    virtual void Print(double value) = 0;
    // Erases everything to the background colour.
    virtual void Cls() = 0;
    // The drawing is always kept; the flag is remembered for what the window shows about it.
    virtual void AutoRedraw(bool on) = 0;
    // The kept drawing encoded as a Windows bitmap, at the surface's pixel size.
    [[nodiscard]] virtual Result<std::string> bitmapBytes() const = 0;
};

enum class Button {
    Command1 = 1,
    Command2,
    Command3,
    Command4,
    Command5,
    Command6,
    Command7,
    Command8,
    Command9
};

// The window's controls: the cell array Text1 (cells 1 to 105, element 0 is a hidden template that is never
// addressed here) and the nine command buttons.
class Window {
public:
    virtual ~Window() = default;

    // Creates cell `index` as a hidden copy of the template element.
    virtual void createCell(int index) = 0;
    virtual void setCellHeight(int index, double pixels) = 0;
    virtual void setCellTop(int index, double pixels) = 0;
    virtual void setCellLeft(int index, double pixels) = 0;
    virtual void setCellWidth(int index, double pixels) = 0;
    virtual void setCellFontSize(int index, double points) = 0;
    virtual void setCellVisible(int index, bool visible) = 0;
    virtual void setCellEnabled(int index, bool enabled) = 0;
    virtual void setCellFlat(int index) = 0;
    // Setting a different text notifies the window's owner synchronously, before this call returns.
    virtual void setCellText(int index, std::u16string_view text) = 0;
    [[nodiscard]] virtual std::u16string cellText(int index) const = 0;
    virtual void setFocusToCell(int index) = 0;

    virtual void setButtonTop(Button button, double pixels) = 0;
    virtual void setButtonLeft(Button button, double pixels) = 0;
    virtual void setButtonEnabled(Button button, bool enabled) = 0;
    virtual void setButtonBackColor(Button button, Colour colour) = 0;
};

// The answer to a Yes/No question.
enum class MsgBoxAnswer { Yes, No };

struct FileDialogRequest {
    // Description and pattern joined by a vertical bar, for example u"CSVファイル|*.csv".
    std::u16string filter;
    // Loading uses the same save-style dialog but must not ask about replacing the file it reads.
    bool confirmOverwrite = true;

    [[nodiscard]] static FileDialogRequest toSave(std::u16string_view filter)
    {
        return { std::u16string(filter), true };
    }
    [[nodiscard]] static FileDialogRequest toLoad(std::u16string_view filter)
    {
        return { std::u16string(filter), false };
    }
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The modal save-style file dialog. Returns the chosen path as typed (no extension is added), or an
    // empty string when the user cancelled.
    [[nodiscard]] virtual std::u16string ShowSave(const FileDialogRequest &request) = 0;
    // A modal question with Yes (the default) and No and no icon.
    [[nodiscard]] virtual MsgBoxAnswer askYesNo(std::u16string_view prompt, std::u16string_view title) = 0;
    // A modal message the user must acknowledge: a failure, or data that was left out.
    virtual void inform(std::u16string_view message, std::u16string_view title) = 0;
    // Ends the program at once with exit code 0; no further handler runs.
    virtual void endProgram() = 0;
};

// Sequential reading of a file that may be far larger than memory.
class ByteReader {
public:
    virtual ~ByteReader() = default;
    // Reads up to `size` bytes: the number read, 0 at the end of the file, or why reading failed.
    [[nodiscard]] virtual Result<std::size_t> read(char *buffer, std::size_t size) = 0;
};

// A file that replaces the file of its name only when Commit succeeds; until then, and whenever anything
// failed, the old file stays as it was. Destroying it uncommitted discards what was written.
class AtomicWriter {
public:
    virtual ~AtomicWriter() = default;
    [[nodiscard]] virtual Result<void> write(std::string_view bytes) = 0;
    [[nodiscard]] virtual Result<void> commit() = 0;
};

// Why a writer refuses to go on after its commit or a failure: that failure's reason, or that the save is
// over. Only a fault of the program writes on.
[[nodiscard]] inline std::u16string finishedReason(std::u16string_view earlierFailure)
{
    return earlierFailure.empty() ? std::u16string(u"保存はすでに終わっています。")
                                  : std::u16string(earlierFailure);
}

class FileSystem {
public:
    virtual ~FileSystem() = default;
    [[nodiscard]] virtual Opened<ByteReader> openForReading(std::u16string_view path) = 0;
    [[nodiscard]] virtual Opened<AtomicWriter> createReplacing(std::u16string_view path) = 0;
    // Decodes text that is not UTF-8 as Shift_JIS, what Japanese Windows programs write. Nothing when the
    // bytes are not valid Shift_JIS either, or the decoder is not available.
    [[nodiscard]] virtual std::optional<std::u16string> decodeShiftJis(std::string_view bytes) const = 0;
};

} // namespace psa
