#include "platform/qt/command_line.h"

#include "app/form1.h"
#include "app/graph_export.h"
#include "platform/form1_design.h"
#include "platform/guarded_run.h"
#include "platform/qt/application.h"
#include "platform/qt/native_path.h"
#include "platform/qt/posix_files.h"
#include "platform/qt/qt_files.h"
#include "platform/qt/same_file.h"

#include <QApplication>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace psa {

namespace {

// File names in the text are written as the bytes they were given. False when the text could not be
// written, with errno telling why.
bool print(std::FILE *stream, std::u16string_view text)
{
    const std::string bytes = nativePath(text) + '\n';
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
    return std::fflush(stream) == 0 && written;
}

// Standard output and error as this process was given them; a stream closed at start has nowhere to go.
class ProcessStreams final : public TextStreams {
public:
    explicit ProcessStreams(ClosedStandardStreams closed)
        : m_closed(closed)
    {
    }

    Result<void> writeOutput(std::u16string_view line) override
    {
        if (m_closed.output)
            return Failure { u"標準出力が閉じられています。" };
        if (print(stdout, line))
            return {};
        return Failure { errnoReason(errno, u"書き込みに失敗しました") };
    }

    void writeError(std::u16string_view line) override { print(stderr, line); }

private:
    ClosedStandardStreams m_closed;
};

// A batch's files: read as the program reads them, its pictures saved in groups that wait for the disk
// together.
class BatchFileSystem final : public FileSystem, public DeferredSaves {
public:
    [[nodiscard]] Opened<ByteReader> openForReading(std::u16string_view path) override
    {
        return m_files.openForReading(path);
    }
    [[nodiscard]] Opened<AtomicWriter> createReplacing(std::u16string_view path) override
    {
        std::string bytes = nativePath(path);
        if (const Result<void> allowed = checkSaveTarget(bytes); !allowed)
            return Failure { allowed.reason() };
        return std::make_unique<CollectingWriter>(
            std::move(bytes), [this](const std::string &target, std::string_view collected) {
                return m_saves.save(target, collected);
            });
    }
    [[nodiscard]] std::optional<std::u16string> decodeShiftJis(std::string_view bytes) const override
    {
        return m_files.decodeShiftJis(bytes);
    }

    [[nodiscard]] std::size_t waiting() const override { return m_saves.waiting(); }
    [[nodiscard]] std::vector<FinishedSave> finish() override { return m_saves.finish(); }

private:
    QtFileSystem m_files;
    GroupedSaves m_saves;
};

// Above any buffer an export of the picture box needs.
constexpr int kReusedBufferBytes = 32 << 20;

// Set while the window's application object is being made: a fatal error of Qt then means that no
// display could be reached.
std::atomic<bool> g_connectingToDisplay = false;
bool g_showQtMessages = false;

QString noDisplayMessage()
{
    QStringList named;
    for (const char *variable : { "DISPLAY", "WAYLAND_DISPLAY" })
        if (const QString value = qEnvironmentVariable(variable); !value.isEmpty())
            named.append(QString::fromLatin1(variable) + u'=' + value);
    const QString reason = named.isEmpty()
        ? QStringLiteral("画面が指定されていない（DISPLAY も WAYLAND_DISPLAY もない）ため、")
        : QStringLiteral("画面（%1）に接続できないため、").arg(named.join(QStringLiteral("、")));
    return QStringLiteral("psa-graph: ") + reason
        + QStringLiteral("ウィンドウを開けませんでした。\n"
                         "グラフを画像に書き出すだけなら、画面がなくても"
                         "「psa-graph --export 記録ファイル 画像ファイル」でできます。");
}

void filterQtMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    // Qt's reason for a fatal error after start-up is the only clue to what went wrong.
    if (g_showQtMessages || (type == QtFatalMsg && !g_connectingToDisplay))
        print(stderr, qFormatLogMessage(type, context, text).toStdU16String());
    if (type == QtFatalMsg && g_connectingToDisplay) {
        print(stderr, noDisplayMessage().toStdU16String());
        std::_Exit(kExitFailure);
    }
}

} // namespace

std::vector<std::u16string> argumentsOf(int argc, char *argv[])
{
    std::vector<std::u16string> arguments;
    arguments.reserve(std::size_t(std::max(argc, 0)));
    for (int i = 0; i < argc; ++i)
        arguments.push_back(pathFromNative(argv[i]));
    return arguments;
}

FileNameBytes nativeFileNames()
{
    return { nativePath, [](std::string_view bytes) { return std::optional(pathFromNative(bytes)); } };
}

void openStartFile(Form1 &form, const CommandLineRequest &request)
{
    if (!request.recordFile.empty())
        runGuarded(form.dialogs(), [&] { form.openRecordFile(request.recordFile); });
}

int runWithoutWindow(int argc, char *argv[], const CommandLineRequest &request, ClosedStandardStreams closed)
{
    ProcessStreams streams(closed);
    // Made at the first picture and kept for the rest of a batch: the application, its fonts and the picture
    // box cost most of an export. Each graph starts from a fresh window on a cleared picture box, white as a
    // new one: drawing a graph does not clear it.
    int qtArgc = argc > 0 ? 1 : 0;
    std::unique_ptr<QGuiApplication> application;
    std::unique_ptr<ImageSurface> picture1;
    // A batch's pictures wait for the disk together; a single export is saved as the window saves.
    BatchFileSystem batchFiles;
    QtFileSystem singleFiles;
    FileSystem *const files = request.task == CommandLineRequest::Task::Batch
        ? static_cast<FileSystem *>(&batchFiles)
        : static_cast<FileSystem *>(&singleFiles);
    const GraphExporter exporter = [&](std::u16string_view records, std::u16string_view bitmap) {
        if (!application) {
            // Each picture passes through buffers of megabytes (the bitmap, its rows for the PNG), which
            // malloc would map and unmap each time, paying a page fault for every page of every picture:
            // kept instead, they are reused by the next picture of a batch.
            mallopt(M_MMAP_THRESHOLD, kReusedBufferBytes);
            mallopt(M_TRIM_THRESHOLD, 4 * kReusedBufferBytes);
            // Qt is never shown the arguments: they are the program's, and a file name could look like Qt's
            // options. Nothing is shown: the offscreen platform draws fonts as any other and needs no
            // display.
            qputenv("QT_QPA_PLATFORM", "offscreen");
            application = std::make_unique<QGuiApplication>(qtArgc, argv);
            QGuiApplication::setFont(japaneseDefaultFont());
            picture1
                = std::make_unique<ImageSurface>(QSize(design::kPicture1.width, design::kPicture1.height), 1);
        } else {
            picture1->Cls();
        }
        return exportGraph(*picture1, *files, identifyFile, records, bitmap);
    };
    const int status = runWithoutWindow(request, streams, exporter, identifyFile, &batchFiles);
    picture1.reset();
    return status;
}

void hideQtMessages()
{
    g_showQtMessages = qEnvironmentVariable("PSA_GRAPH_QT_MESSAGES") == u"1";
    qInstallMessageHandler(filterQtMessage);
}

std::unique_ptr<QApplication> connectToDisplay(int &argc, char *argv[])
{
    g_connectingToDisplay = true;
    auto application = std::make_unique<QApplication>(argc, argv);
    g_connectingToDisplay = false;
    return application;
}

} // namespace psa
