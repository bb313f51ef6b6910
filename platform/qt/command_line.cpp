#include "platform/qt/command_line.h"

#include "app/file_uri.h"
#include "app/form1.h"
#include "app/graph_export.h"
#include "platform/form1_design.h"
#include "platform/guarded_run.h"
#include "platform/qt/application.h"
#include "platform/qt/native_path.h"
#include "platform/qt/posix_files.h"
#include "platform/qt/qt_files.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/same_file.h"

#include <QApplication>
#include <QCommandLineParser>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace psa {

namespace {

const QString kHelpOption = QStringLiteral("help");
const QString kVersionOption = QStringLiteral("version");
const QString kExportOption = QStringLiteral("export");

// The parser with the program's options; Qt's own options are not offered, the command line is the program's.
void describeOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "PSA値の推移をグラフで表示します。\n\n"
        "  psa-graph [記録ファイル]\n"
        "      "
        "ウィンドウを開きます。記録ファイルを指定すると、「データー読み込み」と同じように読み込んでから開きま"
        "す。\n"
        "  psa-graph --export 記録ファイル 画像ファイル\n"
        "      "
        "ウィンドウを開かずに、記録ファイルのグラフを「グラフ表示」と同じように描き、ビットマップ画像（BMP）"
        "として\n"
        "      "
        "画像ファイルに書き出します。同じ名前のファイルは書き終えてから置き換えます。ただし置き換えるのは\n"
        "      "
        "ビットマップ画像と空のファイルだけで、記録ファイルそのものやほかのファイルには書き出しません。\n"
        "  ファイルの名前の代わりに、このコンピューターのファイルを指す file:// のURIも使えます。\n\n"
        "終了ステータス: 0 成功、1 ファイルを読めない・書けない、画面に接続できない、2 "
        "コマンドラインの誤り"));
    parser.addOption(
        { { QStringLiteral("h"), kHelpOption }, QStringLiteral("この説明を表示して終了します。") });
    parser.addOption(
        { { QStringLiteral("v"), kVersionOption }, QStringLiteral("バージョンを表示して終了します。") });
    parser.addOption({ kExportOption,
        QStringLiteral("記録ファイルのグラフを画像ファイルに書き出します（ウィンドウは開きません）。") });
    parser.addPositionalArgument(QStringLiteral("記録ファイル"),
        QStringLiteral("読み込む記録ファイル（CSV）。名前が「-」で始まるときは前に「--」を置きます。"),
        QStringLiteral("[記録ファイル]"));
}

CommandLineRequest wrongUsage(const QString &error)
{
    CommandLineRequest request;
    request.task = CommandLineRequest::Task::WrongUsage;
    request.error = error;
    return request;
}

// File names in the text are written as the bytes they were given. False when the text could not be
// written, with errno telling why.
bool print(std::FILE *stream, const QString &text)
{
    const std::string bytes = NativePath(text.toStdU16String()) + '\n';
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
    return std::fflush(stream) == 0 && written;
}

// The help or the version on standard output; a failure to write it is the program's failure.
int printResult(const QString &text, bool outputClosed)
{
    std::u16string reason = u"標準出力が閉じられています。";
    if (!outputClosed) {
        if (print(stdout, text))
            return kExitSuccess;
        reason = ErrnoReason(errno, {}, u"書き込みに失敗しました");
    }
    print(stderr, QStringLiteral("psa-graph: 標準出力に書き込めませんでした。理由: ") + toQString(reason));
    return kExitFailure;
}

// The option as it was typed, without a value after '='; QCommandLineParser gives only its name.
QString typedOption(const QStringList &arguments, QStringView name, bool withValue = false)
{
    for (qsizetype i = 1; i < arguments.size() && arguments[i] != u"--"; ++i) {
        const QString &argument = arguments[i];
        if (argument.size() < 2 || !argument.startsWith(u'-'))
            continue;
        const QString typed = argument.section(u'=', 0, 0);
        const QStringView bare = QStringView(typed).mid(typed.startsWith(u"--") ? 2 : 1);
        if (bare == name && (!withValue || typed.size() < argument.size()))
            return withValue ? argument : typed;
    }
    return QStringLiteral("--") + name.toString();
}

// The option given a value it does not take, as typed, for the only way parsing fails besides an unknown
// option.
QString optionGivenValue(const QStringList &arguments)
{
    for (const QString &name :
        { kHelpOption, kVersionOption, kExportOption, QStringLiteral("h"), QStringLiteral("v") }) {
        if (QString typed = typedOption(arguments, name, true); typed.contains(u'='))
            return typed;
    }
    return {};
}

// A file argument as the path it names: a file URI becomes the local path; nothing, with `error` set, when
// it names no file of this computer.
std::optional<QString> fileArgument(const QString &argument, QString &error)
{
    const FileUriPath uri = ReadFileUri(NativePath(argument.toStdU16String()));
    switch (uri.kind) {
    case FileUriPath::Kind::NotUri:
        return argument;
    case FileUriPath::Kind::Local:
        return QString::fromStdU16String(PathFromNative(uri.path));
    case FileUriPath::Kind::OtherComputer:
        error = QStringLiteral("「%1」はほかのコンピューター（%2）のファイルを指しています。"
                               "このコンピューターのファイルを指定してください。")
                    .arg(argument, QString::fromStdU16String(PathFromNative(uri.host)));
        return std::nullopt;
    case FileUriPath::Kind::Malformed:
        break;
    }
    error = QStringLiteral("「%1」はファイルのURIとして正しくありません。").arg(argument);
    return std::nullopt;
}

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
        print(stderr, qFormatLogMessage(type, context, text));
    if (type == QtFatalMsg && g_connectingToDisplay) {
        print(stderr, noDisplayMessage());
        std::_Exit(kExitFailure);
    }
}

} // namespace

CommandLineRequest ParseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    describeOptions(parser);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            return wrongUsage(QStringLiteral("「%1」というオプションはありません。")
                                  .arg(typedOption(arguments, unknown.first())));
        return wrongUsage(QStringLiteral("「%1」: 値を付けられないオプションに値が付いています。")
                              .arg(optionGivenValue(arguments)));
    }

    CommandLineRequest request;
    const QStringList names = parser.positionalArguments();
    if (parser.isSet(kHelpOption)) {
        request.task = CommandLineRequest::Task::ShowHelp;
    } else if (parser.isSet(kVersionOption)) {
        request.task = CommandLineRequest::Task::ShowVersion;
    } else if (parser.isSet(kExportOption)) {
        if (names.size() != 2)
            return wrongUsage(
                QStringLiteral("--export には記録ファイルと画像ファイルの2つの名前が要ります。"));
        request.task = CommandLineRequest::Task::Export;
        request.recordFile = names[0];
        request.bitmapFile = names[1];
    } else {
        if (names.size() > 1)
            return wrongUsage(QStringLiteral("開ける記録ファイルは1つだけです。"));
        if (!names.isEmpty() && names.first().isEmpty())
            return wrongUsage(QStringLiteral("記録ファイルの名前が空です。"));
        request.recordFile = names.value(0);
    }
    if (request.task == CommandLineRequest::Task::Export
        && (request.recordFile.isEmpty() || request.bitmapFile.isEmpty()))
        return wrongUsage(QStringLiteral("記録ファイルまたは画像ファイルの名前が空です。"));
    QString error;
    for (QString *name : { &request.recordFile, &request.bitmapFile }) {
        if (name->isEmpty())
            continue;
        const std::optional<QString> path = fileArgument(*name, error);
        if (!path)
            return wrongUsage(error);
        *name = *path;
    }
    return request;
}

QStringList ArgumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromStdU16String(PathFromNative(argv[i])));
    return arguments;
}

QString CommandLineHelp()
{
    QCommandLineParser parser;
    describeOptions(parser);
    return parser.helpText();
}

QString VersionText()
{
    return QStringLiteral("psa-graph " PSA_GRAPH_VERSION);
}

void OpenStartFile(Form1 &form, const CommandLineRequest &request)
{
    if (!request.recordFile.isEmpty())
        RunGuarded(form.dialogs(), [&] { form.OpenRecordFile(request.recordFile.toStdU16String()); });
}

int RunWithoutWindow(int argc, char *argv[], const CommandLineRequest &request, ClosedStandardStreams closed)
{
    // Qt is never shown the arguments: they are the program's, and a file name could look like Qt's options.
    int qtArgc = argc > 0 ? 1 : 0;
    switch (request.task) {
    case CommandLineRequest::Task::ShowHelp: {
        QCoreApplication application(qtArgc, argv);
        InstallJapaneseQtTexts(application);
        return printResult(CommandLineHelp(), closed.output);
    }
    case CommandLineRequest::Task::ShowVersion:
        return printResult(VersionText(), closed.output);
    case CommandLineRequest::Task::Export: {
        // Nothing is shown: the offscreen platform draws fonts as any other and needs no display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication application(qtArgc, argv);
        QGuiApplication::setFont(JapaneseDefaultFont());
        QtFileSystem files;
        ImageSurface picture1(QSize(design::kPicture1.width, design::kPicture1.height), 1);
        const ExportOutcome outcome = ExportGraph(picture1, files, IdentifyFile,
            request.recordFile.toStdU16String(), request.bitmapFile.toStdU16String());
        for (const std::u16string &message : outcome.messages)
            print(stderr, QStringLiteral("psa-graph: ") + toQString(message));
        return outcome.written ? kExitSuccess : kExitFailure;
    }
    case CommandLineRequest::Task::WrongUsage:
    case CommandLineRequest::Task::ShowWindow:
        break;
    }
    print(stderr,
        QStringLiteral("psa-graph: ") + request.error
            + QStringLiteral("\n使い方は「psa-graph --help」で確かめられます。"));
    return kExitUsage;
}

void HideQtMessages()
{
    g_showQtMessages = qEnvironmentVariable("PSA_GRAPH_QT_MESSAGES") == u"1";
    qInstallMessageHandler(filterQtMessage);
}

std::unique_ptr<QApplication> ConnectToDisplay(int &argc, char *argv[])
{
    g_connectingToDisplay = true;
    auto application = std::make_unique<QApplication>(argc, argv);
    g_connectingToDisplay = false;
    return application;
}

} // namespace psa
