#pragma once

#include "app/batch_export.h"
#include "app/graph_export.h"
#include "platform/result.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace psa {

// Exit statuses of the command line, the same on every system.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1; // a file could not be read or written, or no display reached
inline constexpr int kExitUsage = 2; // the command line itself is wrong

// What the command line asks for.
struct CommandLineRequest {
    enum class Task { ShowWindow, Export, Batch, ShowHelp, ShowVersion, WrongUsage };
    Task task = Task::ShowWindow;
    // ShowWindow: the record file to load at start, or empty. Export: the records to draw.
    std::u16string recordFile;
    // Export: where the picture goes; its extension names one of exportFormats().
    std::u16string bitmapFile;
    // Batch: the record files, in the order given, the pictures' format and the folder they go into, or empty
    // for each beside its record file.
    std::vector<std::u16string> recordFiles;
    const ExportFormatInfo *format = nullptr;
    std::u16string outputFolder;
    // WrongUsage: what is wrong, in Japanese.
    std::u16string error;
};

// How the front end's file names are made of bytes, for a file URI, whose %XX escapes are a name's bytes.
struct FileNameBytes {
    std::function<std::string(std::u16string_view name)> toBytes;
    // Nothing when the bytes make no file name on this system.
    std::function<std::optional<std::u16string>(std::string_view bytes)> fromBytes;
};

// Reads the arguments, the program's name first:
//   (nothing)                     the window as at every start
//   FILE                          the window with FILE loaded
//   --export RECORDS PICTURE      the graph of RECORDS written to PICTURE, without a window, in the format
//                                 of PICTURE's extension
//   --batch [--format=F] [--output-folder=DIR] RECORDS...
//                                 the graph of each of RECORDS, in format F (bmp unless given: one of
//                                 exportFormats, by its extension without the dot, in any case), beside its
//                                 record file or in DIR; "--format F", "--output-folder DIR" and "-o DIR"
//                                 take the next argument, whatever it is, as the value
//   -h, --help / -v, --version    the help, or the version
// "--" ends the options, so that a file whose name starts with '-' can follow it; a lone "-" is a file name.
// Help goes before the version and the version before anything else. An option is one word after one or two
// dashes, so "-platform" is one (unknown) option and "-hv" is not -h and -v. A file name may be a local file
// URI (see readFileUri), which becomes the path it names. An unknown option, one given a value that takes
// none, one that takes a value without it or given twice (named as typed), --export with --batch, --format or
// --output-folder without --batch, the wrong number of file names, an empty one, a URI that names no local
// file, an unknown format, or an export's picture whose extension names no format is WrongUsage with a
// message in Japanese; an unknown option is named before an option given a value.
[[nodiscard]] CommandLineRequest parseCommandLine(
    const std::vector<std::u16string> &arguments, const FileNameBytes &names);

// The help: how to call the program, its options and exit statuses, in Japanese throughout.
[[nodiscard]] std::u16string commandLineHelp();

// "psa-graph" and the version.
[[nodiscard]] std::u16string versionText();

// Standard output and error as the front end reaches them. Each call writes one line; the stream adds the
// line's end.
class TextStreams {
public:
    virtual ~TextStreams() = default;
    // Writes the whole line, or says why it could not (a closed stream, a full disk).
    [[nodiscard]] virtual Result<void> writeOutput(std::u16string_view line) = 0;
    // Where nothing can be said about a failure, it is not said.
    virtual void writeError(std::u16string_view line) = 0;
};

// Carries out any request but ShowWindow and returns the exit status: the help and the version on standard
// output; a wrong command line, or what kept the export from writing its bitmap, on standard error, each
// message after the program's name. Help or version that cannot be written is a failure, said on standard
// error. A batch writes one line for each file it could not write (see exportBatch) and fails when any
// failed. The exporter is called for an export or a batch only, once for each picture; a batch lets the
// pictures' saves wait in `deferred` when one is given (see exportBatch).
[[nodiscard]] int runWithoutWindow(const CommandLineRequest &request, TextStreams &streams,
    const GraphExporter &exportGraph, const FileIdentifier &identify, DeferredSaves *deferred = nullptr);

} // namespace psa
