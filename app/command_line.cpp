#include "app/command_line.h"

#include "app/export_format.h"
#include "app/file_uri.h"

#include <array>

namespace psa {

namespace {

using Task = CommandLineRequest::Task;

struct Option {
    std::u16string_view shortName;
    std::u16string_view longName;
    bool takesValue;
};

// The options in the order of `given` below.
enum OptionIndex : std::size_t {
    HelpOption,
    VersionOption,
    ExportOption,
    BatchOption,
    FormatOption,
    OutputFolderOption,
    OptionCount
};

constexpr std::array<Option, OptionCount> kOptions { {
    { u"h", u"help", false },
    { u"v", u"version", false },
    { u"", u"export", false },
    { u"", u"batch", false },
    { u"", u"format", true },
    { u"o", u"output-folder", true },
} };

const Option *findOption(std::u16string_view name)
{
    for (const Option &option : kOptions)
        if (name == option.longName || (!option.shortName.empty() && name == option.shortName))
            return &option;
    return nullptr;
}

// The format a --format value names: an extension without its dot, in any case.
const ExportFormatInfo *formatNamed(std::u16string_view value)
{
    std::u16string extension(1, u'.');
    extension += value;
    const ExportFormatInfo *format = exportFormatOf(extension);
    // "x.png" names no format, though its extension does.
    return format && fileExtension(extension) == extension ? format : nullptr;
}

std::u16string formatNames()
{
    std::u16string names;
    for (const ExportFormatInfo &info : exportFormats()) {
        if (!names.empty())
            names += u"、";
        names += info.extension.substr(1);
    }
    return names;
}

CommandLineRequest wrongUsage(std::u16string error)
{
    CommandLineRequest request;
    request.task = Task::WrongUsage;
    request.error = std::move(error);
    return request;
}

// A file argument as the path it names: a file URI becomes the local path; a failure when it names no file
// of this computer.
Result<std::u16string> fileArgument(const std::u16string &argument, const FileNameBytes &names)
{
    const FileUriPath uri = readFileUri(names.toBytes(argument));
    switch (uri.kind) {
    case FileUriPath::Kind::NotUri:
        return argument;
    case FileUriPath::Kind::Local:
        if (std::optional<std::u16string> path = names.fromBytes(uri.path))
            return *path;
        break;
    case FileUriPath::Kind::OtherComputer:
        return Failure { u"「" + argument + u"」はほかのコンピューター（"
            + names.fromBytes(uri.host).value_or(u"?")
            + u"）のファイルを指しています。このコンピューターのファイルを指定してください。" };
    case FileUriPath::Kind::Malformed:
        break;
    }
    return Failure { u"「" + argument + u"」はファイルのURIとして正しくありません。" };
}

} // namespace

CommandLineRequest parseCommandLine(const std::vector<std::u16string> &arguments, const FileNameBytes &names)
{
    std::vector<std::u16string> files;
    std::array<bool, OptionCount> given {};
    std::array<std::u16string, OptionCount> values;
    std::u16string unknown;
    std::u16string givenValue;
    std::u16string lacksValue;
    std::u16string givenTwice;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::u16string &argument = arguments[i];
        if (argument == u"--") {
            files.insert(files.end(), arguments.begin() + std::ptrdiff_t(i) + 1, arguments.end());
            break;
        }
        if (argument.size() < 2 || argument[0] != u'-') {
            files.push_back(argument);
            continue;
        }
        const std::size_t equals = argument.find(u'=');
        const std::u16string typed = argument.substr(0, equals);
        const std::u16string_view name = std::u16string_view(typed).substr(typed.starts_with(u"--") ? 2 : 1);
        const Option *option = findOption(name);
        if (!option) {
            if (unknown.empty())
                unknown = typed;
            continue;
        }
        const auto index = std::size_t(option - kOptions.data());
        if (option->takesValue) {
            if (given[index] && givenTwice.empty())
                givenTwice = typed;
            if (equals != std::u16string::npos)
                values[index] = argument.substr(equals + 1);
            else if (i + 1 < arguments.size())
                values[index] = arguments[++i];
            else if (lacksValue.empty())
                lacksValue = typed;
        } else if (equals != std::u16string::npos) {
            if (givenValue.empty())
                givenValue = argument;
        }
        given[index] = true;
    }
    if (!unknown.empty())
        return wrongUsage(u"「" + unknown + u"」というオプションはありません。");
    if (!givenValue.empty())
        return wrongUsage(u"「" + givenValue + u"」: 値を付けられないオプションに値が付いています。");
    if (!lacksValue.empty())
        return wrongUsage(u"「" + lacksValue + u"」の後に値がありません。");

    CommandLineRequest request;
    if (given[HelpOption]) {
        request.task = Task::ShowHelp;
        return request;
    }
    if (given[VersionOption]) {
        request.task = Task::ShowVersion;
        return request;
    }
    if (!givenTwice.empty())
        return wrongUsage(u"「" + givenTwice + u"」が2回指定されています。1回だけ指定してください。");
    if (given[ExportOption] && given[BatchOption])
        return wrongUsage(u"--export と --batch は一緒に使えません。");
    if (!given[BatchOption] && (given[FormatOption] || given[OutputFolderOption]))
        return wrongUsage(std::u16string(given[FormatOption] ? u"--format" : u"--output-folder")
            + u" は --batch と一緒に使います（--export の形式は画像ファイルの拡張子で決まります）。");
    if (given[BatchOption]) {
        if (files.empty())
            return wrongUsage(u"--batch には記録ファイルの名前が1つ以上要ります。");
        request.format = &exportFormats().front();
        if (given[FormatOption]) {
            request.format = formatNamed(values[FormatOption]);
            if (!request.format)
                return wrongUsage(u"「" + values[FormatOption]
                    + u"」という形式では書き出せません。書き出せる形式は" + formatNames() + u"です。");
        }
        if (given[OutputFolderOption] && values[OutputFolderOption].empty())
            return wrongUsage(u"書き出し先のフォルダーの名前が空です。");
        request.task = Task::Batch;
        request.recordFiles = std::move(files);
        request.outputFolder = values[OutputFolderOption];
    } else if (given[ExportOption]) {
        if (files.size() != 2)
            return wrongUsage(u"--export には記録ファイルと画像ファイルの2つの名前が要ります。");
        if (files[0].empty() || files[1].empty())
            return wrongUsage(u"記録ファイルまたは画像ファイルの名前が空です。");
        request.task = Task::Export;
        request.recordFile = files[0];
        request.bitmapFile = files[1];
    } else {
        if (files.size() > 1)
            return wrongUsage(u"開ける記録ファイルは1つだけです。");
        if (!files.empty() && files[0].empty())
            return wrongUsage(u"記録ファイルの名前が空です。");
        if (!files.empty())
            request.recordFile = files[0];
    }
    std::vector<std::u16string *> fileNames { &request.recordFile, &request.bitmapFile,
        &request.outputFolder };
    for (std::u16string &recordFile : request.recordFiles) {
        if (recordFile.empty())
            return wrongUsage(u"記録ファイルの名前が空です。");
        fileNames.push_back(&recordFile);
    }
    for (std::u16string *name : fileNames) {
        if (name->empty())
            continue;
        Result<std::u16string> path = fileArgument(*name, names);
        if (!path)
            return wrongUsage(path.reason());
        *name = std::move(path).value();
    }
    if (request.task == Task::Export && !exportFormatOf(request.bitmapFile))
        return wrongUsage(unknownFormatMessage(request.bitmapFile));
    return request;
}

std::u16string commandLineHelp()
{
    return u"使い方: psa-graph [オプション] [記録ファイル]\n"
           u"PSA値の推移をグラフで表示します。\n"
           u"\n"
           u"  psa-graph [記録ファイル]\n"
           u"      "
           u"ウィンドウを開きます。記録ファイルを指定すると、「データー読み込み」と同じように読み込んでから"
           u"開きます。\n"
           u"  psa-graph --export 記録ファイル 画像ファイル\n"
           u"      "
           u"ウィンドウを開かずに、記録ファイルのグラフを「グラフ表示」と同じように描き、画像ファイルに"
           u"書き出します。\n"
           u"      "
           u"形式は画像ファイルの拡張子で決まります（大文字と小文字は区別しません）: .bmp はビットマップ画像"
           u"（BMP、\n"
           u"      "
           u"「グラフ保存」と同じもの）、.png はPNG画像（同じ画素を圧縮したもの）、\n"
           u"      "
           u".svg はSVG画像、.pdf はPDF文書（どちらも線と文字のままの図で、拡大しても粗くなりません）。"
           u"ほかの拡張子は誤りです。\n"
           u"      "
           u"同じ名前のファイルは書き終えてから置き換えます。ただし置き換えるのは同じ形式の画像と空のファイル"
           u"だけで、\n"
           u"      "
           u"記録ファイルそのものやほかのファイルには書き出しません。\n"
           u"  psa-graph --batch [--format=形式] [--output-folder=フォルダー] 記録ファイル...\n"
           u"      "
           u"いくつもの記録ファイルのグラフを1回で書き出します。画像はそれぞれの記録ファイルと同じ名前で"
           u"拡張子だけを\n"
           u"      "
           u"形式のものに変えて、記録ファイルと同じフォルダー（--output-folder "
           u"を指定したときはそのフォルダー）に置きます。\n"
           u"      "
           u"書き出せなかったファイルごとに理由を1行ずつ標準エラー出力に示し、残りのファイルは書き出します。"
           u"\n"
           u"      "
           u"上の書き出しと同じく、ほかの種類のファイルや記録ファイルは置き換えません。同じ名前になる2つ目"
           u"からは書き出しません。\n"
           u"  ファイルの名前の代わりに、このコンピューターのファイルを指す file:// のURIも使えます。\n"
           u"\n"
           u"終了ステータス: 0 成功、1 "
           u"ファイルを読めない・書けない（一括では1つでも）、画面に接続できない、2 "
           u"コマンドラインの誤り\n"
           u"\n"
           u"オプション:\n"
           u"  -h, --help     この説明を表示して終了します。\n"
           u"  -v, --version  バージョンを表示して終了します。\n"
           u"  --export       記録ファイルのグラフを画像ファイルに書き出します（ウィンドウは開きません）。\n"
           u"  --batch        "
           u"いくつもの記録ファイルのグラフを1回で画像ファイルに書き出します（ウィンドウは開きません）。\n"
           u"  --format=形式, --format 形式\n"
           u"                 --batch で書き出す形式: bmp（既定）、png、svg、pdf のどれか"
           u"（大文字と小文字は区別しません）。\n"
           u"  -o フォルダー, --output-folder=フォルダー, --output-folder フォルダー\n"
           u"                 --batch で画像を置く、すでにあるフォルダー。\n"
           u"  --             オプションの終わり。名前が「-」で始まるファイルはこの後に置きます。\n"
           u"\n"
           u"引数:\n"
           u"  記録ファイル   読み込む記録ファイル（CSV）。";
}

std::u16string versionText()
{
    return u"psa-graph " PSA_GRAPH_VERSION;
}

int runWithoutWindow(const CommandLineRequest &request, TextStreams &streams,
    const GraphExporter &exportGraph, const FileIdentifier &identify, DeferredSaves *deferred)
{
    switch (request.task) {
    case Task::ShowHelp:
    case Task::ShowVersion: {
        const Result<void> written
            = streams.writeOutput(request.task == Task::ShowHelp ? commandLineHelp() : versionText());
        if (written)
            return kExitSuccess;
        streams.writeError(u"psa-graph: 標準出力に書き込めませんでした。理由: " + written.reason());
        return kExitFailure;
    }
    case Task::Export: {
        const ExportOutcome outcome = exportGraph(request.recordFile, request.bitmapFile);
        for (const std::u16string &message : outcome.messages)
            streams.writeError(u"psa-graph: " + message);
        return outcome.written ? kExitSuccess : kExitFailure;
    }
    case Task::Batch: {
        const BatchOutcome outcome = exportBatch(
            request.recordFiles, *request.format, request.outputFolder, exportGraph, identify, deferred);
        for (const std::u16string &line : outcome.lines)
            streams.writeError(u"psa-graph: " + line);
        return outcome.failed == 0 ? kExitSuccess : kExitFailure;
    }
    case Task::WrongUsage:
    case Task::ShowWindow:
        break;
    }
    streams.writeError(u"psa-graph: " + request.error);
    streams.writeError(u"使い方は「psa-graph --help」で確かめられます。");
    return kExitUsage;
}

} // namespace psa
