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
    Task task;
};

constexpr std::array<Option, 3> kOptions { {
    { u"h", u"help", Task::ShowHelp },
    { u"v", u"version", Task::ShowVersion },
    { u"", u"export", Task::Export },
} };

const Option *findOption(std::u16string_view name)
{
    for (const Option &option : kOptions)
        if (name == option.longName || (!option.shortName.empty() && name == option.shortName))
            return &option;
    return nullptr;
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
    bool asked[3] = {};
    std::u16string unknown;
    std::u16string givenValue;
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
        } else if (equals != std::u16string::npos) {
            if (givenValue.empty())
                givenValue = argument;
        } else {
            asked[option - kOptions.data()] = true;
        }
    }
    if (!unknown.empty())
        return wrongUsage(u"「" + unknown + u"」というオプションはありません。");
    if (!givenValue.empty())
        return wrongUsage(u"「" + givenValue + u"」: 値を付けられないオプションに値が付いています。");

    CommandLineRequest request;
    if (asked[0]) {
        request.task = Task::ShowHelp;
        return request;
    }
    if (asked[1]) {
        request.task = Task::ShowVersion;
        return request;
    }
    if (asked[2]) {
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
    for (std::u16string *name : { &request.recordFile, &request.bitmapFile }) {
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
           u"  ファイルの名前の代わりに、このコンピューターのファイルを指す file:// のURIも使えます。\n"
           u"\n"
           u"終了ステータス: 0 成功、1 ファイルを読めない・書けない、画面に接続できない、2 "
           u"コマンドラインの誤り\n"
           u"\n"
           u"オプション:\n"
           u"  -h, --help     この説明を表示して終了します。\n"
           u"  -v, --version  バージョンを表示して終了します。\n"
           u"  --export       記録ファイルのグラフを画像ファイルに書き出します（ウィンドウは開きません）。\n"
           u"  --             オプションの終わり。名前が「-」で始まるファイルはこの後に置きます。\n"
           u"\n"
           u"引数:\n"
           u"  記録ファイル   読み込む記録ファイル（CSV）。";
}

std::u16string versionText()
{
    return u"psa-graph " PSA_GRAPH_VERSION;
}

int runWithoutWindow(
    const CommandLineRequest &request, TextStreams &streams, const GraphExporter &exportGraph)
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
    case Task::WrongUsage:
    case Task::ShowWindow:
        break;
    }
    streams.writeError(u"psa-graph: " + request.error);
    streams.writeError(u"使い方は「psa-graph --help」で確かめられます。");
    return kExitUsage;
}

} // namespace psa
