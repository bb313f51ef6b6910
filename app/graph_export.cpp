#include "app/graph_export.h"

#include "app/export_format.h"
#include "app/form1.h"
#include "app/headless_window.h"
#include "files/record_file.h"
#include "numbers/str_form.h"
#include "platform/guarded_run.h"
#include "platform/vector_documents.h"

#include <utility>

namespace psa {

namespace {

constexpr char16_t kNoRecords[] = u"」には記録が1件もないため、グラフを描けません。";

std::u16string notOfFormatMessage(const ExportFormatInfo &format)
{
    return u"同じ名前のファイルがすでにあり、" + std::u16string(format.kind)
        + u"ではありません。ほかのデータを消さないよう、置き換えませんでした。別の名前を指定してください。";
}

std::u16string cannotCheckMessage(const ExportFormatInfo &format)
{
    return std::u16string(format.kind) + u"かどうかを確かめられないため、置き換えませんでした。";
}

// Whether the export may write to `bitmapPath`, or why not. A name where no file is yet, or something the
// save itself refuses (a folder, a device, a pipe), is left to the save.
Result<void> mayReplace(FileSystem &files, const FileIdentifier &identify, std::u16string_view recordsPath,
    std::u16string_view bitmapPath, const ExportFormatInfo &format)
{
    const std::optional<FileIdentity> target = identify(bitmapPath);
    if (!target || !target->regularFile)
        return {};
    if (const std::optional<FileIdentity> records = identify(recordsPath);
        records && sameFile(*records, *target))
        return Failure { saveFailedMessage(bitmapPath,
            u"記録ファイル「" + std::u16string(recordsPath)
                + u"」と同じファイルです。記録を消さないよう、書き出しませんでした。") };

    Opened<ByteReader> opened = files.openForReading(bitmapPath);
    if (!opened)
        return Failure { saveFailedMessage(bitmapPath, opened.reason() + cannotCheckMessage(format)) };
    std::string head(kExportHeadBytes, '\0');
    std::size_t filled = 0;
    while (filled < head.size()) {
        const Result<std::size_t> count = opened.value()->read(head.data() + filled, head.size() - filled);
        if (!count)
            return Failure { saveFailedMessage(bitmapPath, count.reason() + cannotCheckMessage(format)) };
        if (*count == 0)
            break;
        filled += *count;
    }
    head.resize(filled);
    if (head.empty() || format.isFileOfFormat(head))
        return {};
    return Failure { saveFailedMessage(bitmapPath, notOfFormatMessage(format)) };
}

// The picture box as the export sees it: the same drawing, saved in another format.
class ConvertedPicture final : public Surface {
public:
    ConvertedPicture(Surface &drawing, const ExportFormatInfo &format)
        : m_drawing(drawing)
        , m_format(format)
    {
    }

    void Scale(Point upperLeft, Point lowerRight) override { m_drawing.Scale(upperLeft, lowerRight); }
    void Line(Point from, Point to, std::optional<Colour> colour) override
    {
        m_drawing.Line(from, to, colour);
    }
    void Circle(Point centre, double radius) override { m_drawing.Circle(centre, radius); }
    void CurrentX(double x) override { m_drawing.CurrentX(x); }
    void CurrentY(double y) override { m_drawing.CurrentY(y); }
    void Print(double value) override { m_drawing.Print(value); }
    void Cls() override { m_drawing.Cls(); }
    void AutoRedraw(bool on) override { m_drawing.AutoRedraw(on); }
    [[nodiscard]] Result<std::string> bitmapBytes() const override
    {
        const Result<std::string> bitmap = m_drawing.bitmapBytes();
        if (!bitmap)
            return Failure { bitmap.reason() };
        return m_format.fromBitmap(*bitmap);
    }

private:
    Surface &m_drawing;
    const ExportFormatInfo &m_format;
};

// The graph kept as shapes, saved as a document of its format where the window saves its bitmap.
class DocumentPicture final : public VectorSurface {
public:
    explicit DocumentPicture(const ExportFormatInfo &format)
        : VectorSurface(printForm)
        , m_format(format)
    {
    }

    [[nodiscard]] Result<std::string> bitmapBytes() const override
    {
        if (!m_format.fromDrawing)
            return Failure { std::u16string(kNoVectorDocumentReason) };
        return m_format.fromDrawing(drawing());
    }

private:
    const ExportFormatInfo &m_format;
};

// The file dialog names the bitmap; every message is kept for the caller.
class ExportDialogs final : public Dialogs {
public:
    explicit ExportDialogs(std::u16string_view bitmapPath)
        : m_bitmapPath(bitmapPath)
    {
    }

    std::vector<std::u16string> messages;

    [[nodiscard]] std::u16string ShowSave(const FileDialogRequest &) override { return m_bitmapPath; }
    [[nodiscard]] MsgBoxAnswer askYesNo(std::u16string_view, std::u16string_view) override
    {
        return MsgBoxAnswer::No;
    }
    void inform(std::u16string_view message, std::u16string_view) override { messages.emplace_back(message); }
    void endProgram() override { }

private:
    std::u16string m_bitmapPath;
};

} // namespace

ExportOutcome exportGraph(Surface &picture1, FileSystem &files, const FileIdentifier &identify,
    std::u16string_view recordsPath, std::u16string_view bitmapPath)
{
    const ExportFormatInfo *format = exportFormatOf(bitmapPath);
    if (!format)
        return { false, { unknownFormatMessage(bitmapPath) } };
    // A bitmap is saved exactly as "グラフ保存" saves it; another format of pixels from that bitmap; a format
    // of shapes from the same drawing kept as shapes.
    ConvertedPicture converted(picture1, *format);
    DocumentPicture document(*format);
    Surface *picture = &picture1;
    if (format->fromDrawing)
        picture = &document;
    else if (format->format != ExportFormat::Bitmap)
        picture = &converted;

    HeadlessWindow window;
    ExportDialogs dialogs(bitmapPath);
    Form1 form(window, *picture, dialogs, files);
    window.onCellChanged = [&form](int index) { form.Text1_Change(index); };
    form.Form_Load();

    ExportOutcome outcome;
    // An unexpected failure anywhere on the way is said like the window says it, and writes nothing more.
    runGuarded(dialogs, [&] {
        form.openRecordFile(recordsPath);
        // A load that succeeded is the one that makes "グラフ表示" available.
        if (!window.isEnabled(Button::Command1))
            return;
        form.Command1_Click();
        // Without records the window draws nothing and leaves no graph to save.
        if (!window.isEnabled(Button::Command2)) {
            dialogs.messages.push_back(u"ファイル「" + std::u16string(recordsPath) + kNoRecords);
        } else if (const Result<void> allowed = mayReplace(files, identify, recordsPath, bitmapPath, *format);
                   !allowed) {
            dialogs.messages.push_back(allowed.reason());
        } else {
            const std::size_t before = dialogs.messages.size();
            form.Command2_Click();
            outcome.written = dialogs.messages.size() == before;
        }
    });
    outcome.messages = std::move(dialogs.messages);
    return outcome;
}

} // namespace psa
