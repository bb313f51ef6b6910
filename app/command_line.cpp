#include "app/command_line.h"

#include "app/application.h"
#include "app/form1.h"
#include "app/graph_export.h"
#include "platform/qt/native_path.h"
#include "platform/qt/qt_files.h"
#include "platform/qt/qt_text.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>

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
        "      画像ファイルに書き出します。同じ名前のファイルは書き終えてから置き換えます。\n\n"
        "終了ステータス: 0 成功、1 ファイルを読めない・書けない、2 コマンドラインの誤り"));
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

// File names in the text are written as the bytes they were given.
void print(std::FILE *stream, const QString &text)
{
    std::fputs(NativePath(text.toStdU16String()).c_str(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace

CommandLineRequest ParseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    describeOptions(parser);
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            const QString dashes = unknown.first().size() == 1 ? QStringLiteral("-") : QStringLiteral("--");
            return wrongUsage(
                QStringLiteral("「%1」というオプションはありません。").arg(dashes + unknown.first()));
        }
        return wrongUsage(QStringLiteral("値を付けられないオプションに値が付いています。"));
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
        form.OpenRecordFile(request.recordFile.toStdU16String());
}

int RunWithoutWindow(int argc, char *argv[], const CommandLineRequest &request)
{
    // Qt is never shown the arguments: they are the program's, and a file name could look like Qt's options.
    int qtArgc = argc > 0 ? 1 : 0;
    switch (request.task) {
    case CommandLineRequest::Task::ShowHelp: {
        QCoreApplication application(qtArgc, argv);
        InstallJapaneseQtTexts(application);
        print(stdout, CommandLineHelp());
        return kExitSuccess;
    }
    case CommandLineRequest::Task::ShowVersion:
        print(stdout, VersionText());
        return kExitSuccess;
    case CommandLineRequest::Task::Export: {
        // Nothing is shown: the offscreen platform draws fonts as any other and needs no display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication application(qtArgc, argv);
        QGuiApplication::setFont(JapaneseDefaultFont());
        QtFileSystem files;
        const ExportOutcome outcome
            = ExportGraph(files, request.recordFile.toStdU16String(), request.bitmapFile.toStdU16String());
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

} // namespace psa
