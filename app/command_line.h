#pragma once

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
    enum class Task { ShowWindow, Export, ShowHelp, ShowVersion, WrongUsage };
    Task task = Task::ShowWindow;
    // ShowWindow: the record file to load at start, or empty. Export: the records to draw.
    std::u16string recordFile;
    // Export: where the picture goes; its extension names one of exportFormats().
    std::u16string bitmapFile;
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
//   -h, --help / -v, --version    the help, or the version
// "--" ends the options, so that a file whose name starts with '-' can follow it; a lone "-" is a file name.
// Help goes before the version and the version before anything else. An option is one word after one or two
// dashes, so "-platform" is one (unknown) option and "-hv" is not -h and -v. A file name may be a local file
// URI (see readFileUri), which becomes the path it names. An unknown option or one given a value (named as
// typed), the wrong number of file names, an empty one, a URI that names no local file, or an export's
// picture whose extension names no format is WrongUsage with a message in Japanese; an unknown option is
// named before an option given a value.
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

// The export on the front end's own surface, files and file identities (see exportGraph).
using GraphExporter
    = std::function<ExportOutcome(std::u16string_view recordsPath, std::u16string_view bitmapPath)>;

// Carries out any request but ShowWindow and returns the exit status: the help and the version on standard
// output; a wrong command line, or what kept the export from writing its bitmap, on standard error, each
// message after the program's name. Help or version that cannot be written is a failure, said on standard
// error. The exporter is called for an export only.
[[nodiscard]] int runWithoutWindow(
    const CommandLineRequest &request, TextStreams &streams, const GraphExporter &exportGraph);

} // namespace psa
